// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>

namespace vatrel {

// TrueType font data in which every glyph's outer contours run one way and its holes the other.
// Bold without a bold face is drawn by growing the outlines outwards, and which way is outwards is
// taken from the glyph as a whole: a contour drawn against the rest of its glyph (the breve of "й",
// the bar of "Ы" in the packaged Tahoma) shrinks instead and all but vanishes. Such contours are
// turned round; their glyph loses its hinting instructions, which name points by their order.
// Returns an empty array when the data is not a TrueType font it can read.
QByteArray withConsistentContours(const QByteArray& font);

// The same TrueType font data as a semibold face of its family (weight 600, style "Semibold"). Bold
// asked of the family then comes from this face, emboldened, while the regular face keeps its
// own hinting. Returns an empty array when the data is not a TrueType font it can read.
QByteArray asSemiboldFace(const QByteArray& font);

} // namespace vatrel
