// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Colours.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace vatrel {

// Stored colours are 0x00BBGGRR. The one system colour reference the program stores, the info-tip
// background, is taken from the current palette.
inline QColor toQColor(Colour c) {
    if (c == colours::info_background) return QGuiApplication::palette().color(QPalette::ToolTipBase);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace vatrel
