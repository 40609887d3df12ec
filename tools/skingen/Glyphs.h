// SPDX-License-Identifier: GPL-3.0-or-later
// The glyphs of the skin's buttons, drawn into a square box in a given colour.
#pragma once
#include <QColor>
#include <QPainter>
#include <QRectF>
#include <functional>

#include "skin/Layout.h"

namespace skingen {

using Glyph = std::function<void(QPainter&, const QRectF& box, const QColor& colour)>;

// The glyph a button of the layout shows beside (or instead of) its caption.
Glyph GlyphFor(const rz::skin::ImageButtonLayout& b);

}  // namespace skingen
