// SPDX-License-Identifier: GPL-3.0-or-later
#include "Painting.h"

namespace skingen {

QImage Canvas(int width, int height) {
  QImage img(width, height, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  return img;
}

QImage Flatten(const QImage& canvas, QColor key) {
  QImage out(canvas.size(), QImage::Format_RGB32);
  const QImage src = canvas.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      const QRgb p = src.pixel(x, y);
      out.setPixel(x, y, qAlpha(p) >= 128 ? qRgb(qRed(p), qGreen(p), qBlue(p)) : key.rgb());
    }
  return out;
}

QFont SkinFont(int pixelSize, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

}  // namespace skingen
