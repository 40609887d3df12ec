// SPDX-License-Identifier: GPL-3.0-or-later
#include "Glyphs.h"

#include <QPolygonF>

#include "Painting.h"

namespace skingen {

namespace {

void CloseGlyph(QPainter& p, const QRectF& b, const QColor& c) {
  p.setPen(QPen(c, 2.2, Qt::SolidLine, Qt::RoundCap));
  const QPointF m = b.center();
  p.drawLine(m + QPointF(-5, -5), m + QPointF(5, 5));
  p.drawLine(m + QPointF(5, -5), m + QPointF(-5, 5));
}
void MinimizeGlyph(QPainter& p, const QRectF& b, const QColor& c) {
  p.setPen(QPen(c, 2.4, Qt::SolidLine, Qt::RoundCap));
  const QPointF m = b.center();
  p.drawLine(m + QPointF(-5, 5), m + QPointF(5, 5));
}
void HelpGlyph(QPainter& p, const QRectF& b, const QColor& c) {
  p.setFont(SkinFont(16, true));
  p.setPen(c);
  p.drawText(b.adjusted(0, 0, 0, 1), Qt::AlignCenter, QStringLiteral("?"));
}
void BackupGlyph(QPainter& p, const QRectF& b, const QColor& c) {  // arrow into a tray
  const QPointF m = b.center();
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawLine(m + QPointF(0, -7), m + QPointF(0, 2));
  p.drawPolyline(QPolygonF({m + QPointF(-4, -2), m + QPointF(0, 2), m + QPointF(4, -2)}));
  p.drawPolyline(QPolygonF({m + QPointF(-7, 2), m + QPointF(-7, 6), m + QPointF(7, 6),
                            m + QPointF(7, 2)}));
}
void FlashGlyph(QPainter& p, const QRectF& b, const QColor& c) {  // lightning bolt
  const QPointF m = b.center();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(QPolygonF({m + QPointF(2, -8), m + QPointF(-5, 1), m + QPointF(-0.5, 1),
                           m + QPointF(-2, 8), m + QPointF(5, -1.5), m + QPointF(0.5, -1.5)}));
}
void ExitGlyph(QPainter& p, const QRectF& b, const QColor& c) {  // power symbol
  const QPointF m = b.center();
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(m.x() - 6, m.y() - 5.5, 12, 12), 130 * 16, -260 * 16);
  p.drawLine(m + QPointF(0, -7), m + QPointF(0, -1));
}

}  // namespace

// The glyph a button of the layout shows beside (or instead of) its caption.
Glyph GlyphFor(const rz::skin::ImageButtonLayout& b) {
  using rz::skin::Action;
  switch (b.action) {
    case Action::Close: return *b.caption ? Glyph(ExitGlyph) : Glyph(CloseGlyph);
    case Action::Minimize: return MinimizeGlyph;
    case Action::Help: return HelpGlyph;
    case Action::Save: return BackupGlyph;
    case Action::Flash: return FlashGlyph;
    default: return [](QPainter&, const QRectF&, const QColor&) {};
  }
}


}  // namespace skingen
