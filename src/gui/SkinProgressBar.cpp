// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/SkinProgressBar.h"

#include <QPainter>

#include "gui/Fonts.h"
#include "skin/Colour.h"

namespace rz::gui {

namespace {

QColor Q(skin::Rgb c) { return QColor(c.r, c.g, c.b); }
QRect Q(const skin::Rect& r) { return QRect(r.left, r.top, r.width, r.height); }

// A vertical gradient over `r`, row by row as the skin shades it.
void Gradient(QPainter& p, const QRect& r, skin::Rgb top, skin::Rgb bottom) {
  for (int row = 0; row < r.height(); ++row)
    p.fillRect(QRect(r.left(), r.top() + row, r.width(), 1),
               Q(skin::Shade(top, bottom, row, r.height())));
}

}  // namespace

TSkinProgressBar::TSkinProgressBar(QWidget* owner) : QWidget(owner) {
  setAttribute(Qt::WA_TransparentForMouseEvents);  // presses reach the background, as before
  setFont(SkinFont(skin::kStatusFont));
  animation_.setInterval(skin::Progress::kAnimationMs);
  connect(&animation_, &QTimer::timeout, this, [this] {
    model_.Tick();
    update();
  });
  hide();
}

void TSkinProgressBar::SetProgress(const QString& phase, std::optional<int> percent) {
  const bool changed = model_.Set(phase.toStdString(), percent) || isHidden();
  if (!model_.Animating()) {
    animation_.stop();
  } else if (!animation_.isActive()) {
    animation_.start();
  }
  show();
  raise();
  if (changed) repaint();  // at once: the command keeps the event loop busy
}

void TSkinProgressBar::Stop() {
  animation_.stop();
  model_.Stop();
  hide();
}

void TSkinProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The strip's own panel, so the bar sits on it wherever it is placed.
  Gradient(p, rect(), skin::kPanelTop, skin::kPanelBottom);

  p.setPen(Q(skin::kLabelYellow));
  p.drawText(Q(skin::Progress::TextArea(width(), height())), Qt::AlignRight | Qt::AlignVCenter,
             Text());

  p.setPen(Q(skin::kPanelLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(Q(skin::Progress::Frame(width(), height())).adjusted(0, 0, -1, -1));
  const QRect filled = Q(model_.Filled(width(), height()));
  if (filled.width() <= 0) return;
  Gradient(p, filled, skin::kAccent, skin::kAccentDark);
}

}  // namespace rz::gui
