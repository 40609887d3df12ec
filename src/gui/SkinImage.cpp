// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/SkinImage.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QWindow>

#include "skin/Colour.h"

namespace rz::gui {

TSkinImage::TSkinImage(QWidget* owner, const QImage& picture)
    : QLabel(owner), picture_(picture.convertToFormat(QImage::Format_RGB32)) {
  setPixmap(QPixmap::fromImage(picture_));
  setGeometry(0, 0, picture_.width(), picture_.height());
}

void TSkinImage::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (onMouseDown) onMouseDown(event->button());
}

skin::Picture ToPicture(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  skin::Picture picture{rgb.width(), rgb.height(), {}};
  picture.pixels.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    picture.pixels.insert(picture.pixels.end(), row, row + rgb.width());
  }
  return picture;
}

QRegion ShapeWithoutKey(const QWidget& window, const TSkinImage& background) {
  const std::vector<skin::Rect> rects =
      skin::ShapeWithoutKey(window.width(), window.height(), ToPicture(background.Picture()),
                            background.x(), background.y(), skin::kWindowKey);
  QRegion shape;
  for (const skin::Rect& r : rects) shape += QRect(r.left, r.top, r.width, r.height);
  return shape;
}

void StartSystemMove(QWidget& window) {
  if (QWindow* handle = window.windowHandle()) handle->startSystemMove();
  QCoreApplication::processEvents();
}

}  // namespace rz::gui
