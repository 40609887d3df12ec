#include "gui/SkinImage.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QWindow>

namespace rz::gui {

TSkinImage::TSkinImage(QWidget* owner, const QImage& picture)
    : QLabel(owner), picture_(picture.convertToFormat(QImage::Format_RGB32)) {
  setPixmap(QPixmap::fromImage(picture_));
  setGeometry(0, 0, picture_.width(), picture_.height());
}

QRegion TSkinImage::KeyRegion(QColor key) const {
  const QImage mask = picture_.createMaskFromColor(key.rgb(), Qt::MaskOutColor);
  return QRegion(QBitmap::fromImage(mask)).translated(pos());
}

void TSkinImage::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (onMouseDown) onMouseDown(event->button());
}

QRegion ShapeWithoutKey(const QWidget& window, const TSkinImage& background) {
  return QRegion(window.rect()) - background.KeyRegion(WindowKeyColour());
}

void StartSystemMove(QWidget& window) {
  if (QWindow* handle = window.windowHandle()) handle->startSystemMove();
  QCoreApplication::processEvents();
}

}  // namespace rz::gui
