// SPDX-License-Identifier: GPL-3.0-or-later
// The background picture of a skinned window (ImageBk): draws its picture, hands mouse presses to
// the window's handler, and gives the window's shape from the picture's colour key.
#pragma once
#include <QImage>
#include <QLabel>
#include <QRegion>
#include <functional>

#include "skin/Shape.h"

namespace rz::gui {

class TSkinImage : public QLabel {
  Q_OBJECT

 public:
  TSkinImage(QWidget* owner, const QImage& picture);

  const QImage& Picture() const { return picture_; }

  std::function<void(Qt::MouseButton)> onMouseDown;

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
};

// The picture's pixels for the toolkit-neutral skin code.
skin::Picture ToPicture(const QImage& image);

// The window shape: the whole window except where the background shows its key colour.
QRegion ShapeWithoutKey(const QWidget& window, const TSkinImage& background);

// Starts the system's interactive move of `window`, as a press on a title bar would.
void StartSystemMove(QWidget& window);

}  // namespace rz::gui
