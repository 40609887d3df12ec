// SPDX-License-Identifier: GPL-3.0-or-later
// rz_shotcompare: screenshots of the two renderers of the skinned windows, side by side.
//   rz_shotcompare convert IN OUT            any image the toolkit reads, written by OUT's suffix
//   rz_shotcompare compare main|dialog|design QT NATIVE [DIFF]
// `compare` counts the pixels that differ outside the text areas (see TextAreas.h) and within
// them, prints the figures, writes the differing pixels in red over a grey copy of QT to DIFF,
// and exits 1 when any pixel outside the text areas differs or the sizes differ.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "TextAreas.h"

namespace {

constexpr int kMargin = 12;  // the desktop shown around each window

bool InAny(const std::vector<QRect>& areas, int x, int y) {
  for (const QRect& r : areas)
    if (r.contains(x, y)) return true;
  return false;
}

int Compare(const QString& window, const QString& qtPath, const QString& nativePath,
            const QString& diffPath) {
  const QImage qt = QImage(qtPath).convertToFormat(QImage::Format_RGB32);
  const QImage native = QImage(nativePath).convertToFormat(QImage::Format_RGB32);
  if (qt.isNull() || native.isNull()) {
    std::fprintf(stderr, "rz_shotcompare: cannot read %s\n",
                 qPrintable(qt.isNull() ? qtPath : nativePath));
    return 2;
  }
  if (qt.size() != native.size()) {
    std::printf("%s: sizes differ: %dx%d and %dx%d\n", qPrintable(nativePath), qt.width(),
                qt.height(), native.width(), native.height());
    return 1;
  }
  const std::vector<QRect> text = shotcompare::TextAreas(window, kMargin);
  QImage diff = qt.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
  long outside = 0, outsideDiffering = 0, inside = 0, insideDiffering = 0;
  for (int y = 0; y < qt.height(); ++y)
    for (int x = 0; x < qt.width(); ++x) {
      const bool isText = InAny(text, x, y);
      const bool differs = (qt.pixel(x, y) & 0xFFFFFF) != (native.pixel(x, y) & 0xFFFFFF);
      (isText ? inside : outside) += 1;
      if (!differs) continue;
      (isText ? insideDiffering : outsideDiffering) += 1;
      diff.setPixel(x, y, isText ? qRgb(255, 200, 0) : qRgb(255, 0, 0));
    }
  if (!diffPath.isEmpty()) diff.save(diffPath);
  std::printf("%s: %dx%d, outside the text areas %ld of %ld pixels differ, inside %ld of %ld\n",
              qPrintable(nativePath), qt.width(), qt.height(), outsideDiffering, outside,
              insideDiffering, inside);
  return outsideDiffering == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() == 4 && args[1] == QStringLiteral("convert")) {
    const QImage in(args[2]);
    if (!in.isNull() && in.save(args[3])) return 0;
    std::fprintf(stderr, "rz_shotcompare: cannot convert %s\n", qPrintable(args[2]));
    return 2;
  }
  if ((args.size() == 5 || args.size() == 6) && args[1] == QStringLiteral("compare"))
    return Compare(args[2], args[3], args[4], args.size() == 6 ? args[5] : QString());
  std::fprintf(stderr,
               "usage: rz_shotcompare convert IN OUT\n"
               "       rz_shotcompare compare main|dialog|design QT NATIVE [DIFF]\n");
  return 2;
}
