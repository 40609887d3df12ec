#include "gui/ImageLabel.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace rz::gui {

TImageLabel::TImageLabel(QWidget* owner) : QLabel(owner) {
  setText(QString());
  setAutoFillBackground(false);  // transparent: the owner shows wherever no pixel is drawn
  setCursor(Qt::PointingHandCursor);
}

void TImageLabel::SetupButton(int left, int top, int width, int height, bool transparent,
                              QColor keyColour) {
  setGeometry(left, top, width, height);
  transparent_ = transparent;
  key_ = keyColour;
}

void TImageLabel::Load(const QString& path, QImage& slot) {
  QImage loaded;
  if (!loaded.load(path, "BMP")) return;  // a missing skin file is silent: the slot stays
  loaded = loaded.convertToFormat(QImage::Format_ARGB32);
  if (transparent_) {
    const QRgb key = key_.rgb() & 0x00FFFFFF;
    for (int y = 0; y < loaded.height(); ++y)
      for (int x = 0; x < loaded.width(); ++x)
        if ((loaded.pixel(x, y) & 0x00FFFFFF) == key) loaded.setPixel(x, y, 0);
  }
  slot = loaded;
}

const QImage& TImageLabel::Image(Face face) const {
  static const QImage none;
  switch (face) {
    case Face::Normal: return normalImage_;
    case Face::Hover: return hoverImage_;
    case Face::Pressed: return pressedImage_;
    case Face::Disabled: return disabledImage_;
    case Face::None: break;
  }
  return none;
}

void TImageLabel::SetBtnEnabled(bool enabled) {
  if (enabled == btnEnabled_) return;
  btnEnabled_ = enabled;
  DrawNow(enabled ? Face::Normal : Face::Disabled);
}

void TImageLabel::SetBtnAction(const QString& action) {
  if (action != btnAction_) btnAction_ = action;
}

TImageLabel::Face TImageLabel::PaintFace() const {
  if (!btnEnabled_) return Face::Disabled;
  if (pressed_) return Face::Pressed;
  return hovered_ ? Face::Hover : Face::Normal;
}

void TImageLabel::DrawNow(Face face) {
  forced_ = face;
  repaint();  // immediate, so the state shows even while a command keeps the event loop busy
  forced_ = Face::None;
}

void TImageLabel::paintEvent(QPaintEvent*) {
  if (!isVisible()) return;
  const Face face = forced_ != Face::None ? forced_ : PaintFace();
  const QImage& img = Image(face);
  if (!img.isNull()) {
    QPainter p(this);
    p.drawImage(0, 0, img);  // unscaled; key-coloured pixels are fully transparent
  }
  lastDrawn_ = face;
  ++paintCount_;
}

void TImageLabel::PointerEnters() {
  if (!btnEnabled_) return;
  hovered_ = true;
  if (!pressed_) DrawNow(Face::Hover);
  if (AfterMouseEnter) AfterMouseEnter(this);
}

void TImageLabel::PointerLeaves() {
  if (!btnEnabled_) return;
  if (!isVisible()) {
    hovered_ = false;
    pressed_ = false;
    return;
  }
  hovered_ = false;
  if (!pressed_) DrawNow(Face::Normal);
  if (AfterMouseLeave) AfterMouseLeave(this);
}

// The toolkit reports crossings late while a mouse button is held (it holds them back until the
// release); the moves seen meanwhile give the crossings in time. Either source acts only on a
// real change, so a crossing is never handled twice.
void TImageLabel::enterEvent(QEnterEvent*) {
  if (!hovered_) PointerEnters();
}

void TImageLabel::leaveEvent(QEvent*) {
  if (hovered_ || !isVisible()) PointerLeaves();
}

void TImageLabel::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() == Qt::NoButton) return;
  const bool inside = rect().contains(event->position().toPoint());
  if (inside && !hovered_) PointerEnters();
  if (!inside && hovered_) PointerLeaves();
}

void TImageLabel::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (!btnEnabled_) return;
  pressed_ = true;
  DrawNow(Face::Pressed);
}

void TImageLabel::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  // The toolkit hands every release to the widget that saw the press. Only the left button holds
  // the mouse for the button; right and middle releases count only over the button.
  if (event->button() != Qt::LeftButton && !rect().contains(event->position().toPoint())) return;
  if (!btnEnabled_) return;
  pressed_ = false;
  DrawNow(hovered_ ? Face::Hover : Face::Normal);
  if (AfterMouseUp) AfterMouseUp(this);
}

}  // namespace rz::gui
