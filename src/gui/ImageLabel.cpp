// SPDX-License-Identifier: GPL-3.0-or-later
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

void TImageLabel::SetBtnEnabled(bool enabled) { Apply(state_.SetEnabled(enabled)); }

void TImageLabel::SetBtnAction(const QString& action) {
  if (action != btnAction_) btnAction_ = action;
}

void TImageLabel::Apply(const skin::ButtonEffect& effect) {
  if (effect.drawNow != Face::None) DrawNow(effect.drawNow);
  if (effect.entered && AfterMouseEnter) AfterMouseEnter(this);
  if (effect.left && AfterMouseLeave) AfterMouseLeave(this);
  if (effect.click && AfterMouseUp) AfterMouseUp(this);
}

void TImageLabel::DrawNow(Face face) {
  forced_ = face;
  repaint();  // immediate, so the state shows even while a command keeps the event loop busy
  forced_ = Face::None;
}

void TImageLabel::paintEvent(QPaintEvent*) {
  if (!isVisible()) return;
  const Face face = forced_ != Face::None ? forced_ : state_.PaintFace();
  const QImage& img = Image(face);
  if (!img.isNull()) {
    QPainter p(this);
    p.drawImage(0, 0, img);  // unscaled; key-coloured pixels are fully transparent
  }
  lastDrawn_ = face;
  ++paintCount_;
}

namespace {

skin::MouseButton Button(Qt::MouseButton button) {
  if (button == Qt::LeftButton) return skin::MouseButton::Left;
  return button == Qt::RightButton ? skin::MouseButton::Right : skin::MouseButton::Middle;
}

}  // namespace

void TImageLabel::enterEvent(QEnterEvent*) { Apply(state_.Entered()); }

void TImageLabel::leaveEvent(QEvent*) { Apply(state_.Left(isVisible())); }

void TImageLabel::mouseMoveEvent(QMouseEvent* event) {
  Apply(state_.Moved(rect().contains(event->position().toPoint()),
                     event->buttons() != Qt::NoButton));
}

// The toolkit hands every release to the widget that saw the press: the state machine's capture.
void TImageLabel::mousePressEvent(QMouseEvent* event) {
  event->accept();
  Apply(state_.Press(Button(event->button())));
}

void TImageLabel::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  Apply(state_.Release(Button(event->button()), rect().contains(event->position().toPoint())));
}

}  // namespace rz::gui
