// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing helpers of the skin generator: key-colour flattening and the shared palette.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>

namespace skingen {

// Palette of the skin.
inline const QColor kBodyTop(0x2B, 0x31, 0x3D);
inline const QColor kBodyBottom(0x14, 0x18, 0x20);
inline const QColor kPanel(0x0D, 0x10, 0x16);
inline const QColor kPanelLine(0x3A, 0x42, 0x50);
inline const QColor kAccent(0xFF, 0x7A, 0x18);
inline const QColor kAccentDark(0xC8, 0x55, 0x08);
inline const QColor kCaption(0x9A, 0xA4, 0xB2);
inline const QColor kText(0xEE, 0xF1, 0xF5);

// A transparent ARGB canvas of the given size.
QImage Canvas(int width, int height);
// Every pixel at least half covered keeps its colour, fully opaque; the rest becomes `key`, so
// no edge pixel blends into the see-through colour.
QImage Flatten(const QImage& canvas, QColor key);
QFont SkinFont(int pixelSize, bool bold = false);

}  // namespace skingen
