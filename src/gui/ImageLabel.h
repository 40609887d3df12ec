// SPDX-License-Identifier: GPL-3.0-or-later
// TImageLabel: a skinned button drawn from four bitmaps (normal, hover, pressed, disabled) with a
// magenta see-through key; it reports a click through AfterMouseUp and ignores the mouse while
// BtnEnabled is false.
#pragma once
#include <QImage>
#include <QLabel>
#include <QString>
#include <functional>

#include "skin/ButtonState.h"
#include "skin/Colour.h"

namespace rz::gui {

class TImageLabel : public QLabel {
  Q_OBJECT

 public:
  using Event = std::function<void(TImageLabel* sender)>;
  // The images a button can show; None when nothing has been drawn yet.
  using Face = skin::Face;

  explicit TImageLabel(QWidget* owner);

  // Position and size within the owner, and the key colour whose pixels are never drawn.
  void SetupButton(int left, int top, int width, int height, bool transparent, QColor keyColour);
  void LoadNormalImage(const QString& path) { Load(path, normalImage_); }
  void LoadHoverImage(const QString& path) { Load(path, hoverImage_); }
  void LoadPressedImage(const QString& path) { Load(path, pressedImage_); }
  void LoadDisabledImage(const QString& path) { Load(path, disabledImage_); }

  bool BtnEnabled() const { return state_.Enabled(); }
  void SetBtnEnabled(bool enabled);
  const QString& BtnAction() const { return btnAction_; }
  void SetBtnAction(const QString& action);

  Event AfterMouseUp;
  Event AfterMouseEnter;
  Event AfterMouseLeave;

  bool Hovered() const { return state_.Hovered(); }
  bool Pressed() const { return state_.Held(); }
  // What the last paint drew, and how many paints happened: the button's visible state.
  Face LastDrawn() const { return lastDrawn_; }
  int PaintCount() const { return paintCount_; }
  const QImage& Image(Face face) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Load(const QString& path, QImage& slot);
  // Carries out what the state machine asks: the immediate draw, then the notifications.
  void Apply(const skin::ButtonEffect& effect);
  // Draws `face` at once, outside the owner's paint cycle.
  void DrawNow(Face face);

  QImage normalImage_, hoverImage_, pressedImage_, disabledImage_;
  bool transparent_ = false;
  QColor key_ = QColor(0, 0, 0);
  skin::ButtonState state_;
  QString btnAction_;
  Face forced_ = Face::None;  // image of a pending immediate draw
  Face lastDrawn_ = Face::None;
  int paintCount_ = 0;
};

// Magenta, the key colour of every skin bitmap.
inline QColor SkinKeyColour() {
  return QColor(skin::kButtonKey.r, skin::kButtonKey.g, skin::kButtonKey.b);
}

}  // namespace rz::gui
