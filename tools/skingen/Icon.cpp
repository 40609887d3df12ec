// SPDX-License-Identifier: GPL-3.0-or-later
#include "Icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "Painting.h"

namespace skingen {

QImage AppIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);  // drawn on a 64 x 64 grid

  // The body: a rounded tile with the main window's gradient and frame.
  const QRectF tile(3, 3, 58, 58);
  QLinearGradient fill(0, 3, 0, 61);
  fill.setColorAt(0, kBodyTop);
  fill.setColorAt(1, kBodyBottom);
  p.setBrush(fill);
  p.setPen(QPen(QColor(0x6B, 0x75, 0x86), 2));
  p.drawRoundedRect(tile, 12, 12);

  // The EEPROM: a dark chip with four pins a side.
  const QRectF chip(17, 17, 30, 30);
  p.setPen(Qt::NoPen);
  p.setBrush(kCaption);
  for (int i = 0; i < 4; ++i) {
    const qreal at = 20.5 + i * 7;
    p.drawRect(QRectF(at, 12, 2.5, 5));
    p.drawRect(QRectF(at, 47, 2.5, 5));
    p.drawRect(QRectF(12, at, 5, 2.5));
    p.drawRect(QRectF(47, at, 5, 2.5));
  }
  p.setBrush(kPanel);
  p.setPen(QPen(kPanelLine, 1.5));
  p.drawRoundedRect(chip, 3, 3);

  // The flash: the skin's accent bolt across the chip.
  QPainterPath bolt;
  bolt.moveTo(36, 9);
  bolt.lineTo(21, 35);
  bolt.lineTo(31, 35);
  bolt.lineTo(27, 55);
  bolt.lineTo(44, 27);
  bolt.lineTo(34, 27);
  bolt.closeSubpath();
  QLinearGradient glow(0, 9, 0, 55);
  glow.setColorAt(0, QColor(0xFF, 0xA8, 0x5C));
  glow.setColorAt(1, kAccent);
  p.setBrush(glow);
  p.setPen(QPen(kAccentDark, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(bolt);
  p.end();
  return img.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace skingen
