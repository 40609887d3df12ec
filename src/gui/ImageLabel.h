// TImageLabel: a skinned button drawn from four bitmaps (normal, hover, pressed, disabled) with a
// magenta see-through key; it reports a click through AfterMouseUp and ignores the mouse while
// BtnEnabled is false.
#pragma once
#include <QImage>
#include <QLabel>
#include <QString>
#include <functional>

namespace rz::gui {

class TImageLabel : public QLabel {
  Q_OBJECT

 public:
  using Event = std::function<void(TImageLabel* sender)>;
  // The images a button can show; None when nothing has been drawn yet.
  enum class Face { None, Normal, Hover, Pressed, Disabled };

  explicit TImageLabel(QWidget* owner);

  // Position and size within the owner, and the key colour whose pixels are never drawn.
  void SetupButton(int left, int top, int width, int height, bool transparent, QColor keyColour);
  void LoadNormalImage(const QString& path) { Load(path, normalImage_); }
  void LoadHoverImage(const QString& path) { Load(path, hoverImage_); }
  void LoadPressedImage(const QString& path) { Load(path, pressedImage_); }
  void LoadDisabledImage(const QString& path) { Load(path, disabledImage_); }

  bool BtnEnabled() const { return btnEnabled_; }
  void SetBtnEnabled(bool enabled);
  const QString& BtnAction() const { return btnAction_; }
  void SetBtnAction(const QString& action);

  Event AfterMouseUp;
  Event AfterMouseEnter;
  Event AfterMouseLeave;

  bool Hovered() const { return hovered_; }
  bool Pressed() const { return pressed_; }
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
  void PointerEnters();
  void PointerLeaves();
  // Draws `face` at once, outside the owner's paint cycle.
  void DrawNow(Face face);
  Face PaintFace() const;

  QImage normalImage_, hoverImage_, pressedImage_, disabledImage_;
  bool transparent_ = false;
  QColor key_ = QColor(0, 0, 0);
  bool btnEnabled_ = true;
  QString btnAction_;
  bool hovered_ = false;
  bool pressed_ = false;
  Face forced_ = Face::None;  // image of a pending immediate draw
  Face lastDrawn_ = Face::None;
  int paintCount_ = 0;
};

// Magenta, the key colour of every skin bitmap.
inline QColor SkinKeyColour() { return QColor(255, 0, 255); }

}  // namespace rz::gui
