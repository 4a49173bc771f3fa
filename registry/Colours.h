// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>

namespace vatrel {

// Colour values as the program stores them: 0x00BBGGRR, red in the low byte.
using Colour = quint32;

constexpr Colour rgb(int r, int g, int b) {
    return Colour(r & 0xFF) | (Colour(g & 0xFF) << 8) | (Colour(b & 0xFF) << 16);
}

namespace colours {
// Sensor table palette.
constexpr Colour silver = rgb(192, 192, 192);
constexpr Colour green = rgb(0, 255, 0);
constexpr Colour aqua = rgb(0, 255, 255);
constexpr Colour alarm = rgb(242, 107, 83);
constexpr Colour link_lost = rgb(171, 0, 0);
// Event list font colours.
constexpr Colour event_green = rgb(0, 128, 0);
constexpr Colour event_red = rgb(255, 0, 0);
constexpr Colour event_dark_red = rgb(171, 0, 0);
constexpr Colour black = 0;
// The system's info-tip background: a system colour reference, not an RGB value.
constexpr Colour info_background = 0xFF000018;
} // namespace colours

// Drawing style of one grid row. The font name is always "MS Sans Serif" and is not stored.
struct RowStyle {
    Colour background = 0;
    Colour font_colour = 0;
    qint32 font_size = 0;
    quint8 font_style = 0; // kBoldStyle: a bold row (a section's title)
};

constexpr quint8 kBoldStyle = 1;

} // namespace vatrel
