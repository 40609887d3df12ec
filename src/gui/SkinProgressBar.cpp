#include "gui/SkinProgressBar.h"

#include <QLinearGradient>
#include <QPainter>

#include "gui/Fonts.h"
#include "skin/Colour.h"

namespace rz::gui {

namespace {

QColor Q(skin::Rgb c) { return QColor(c.r, c.g, c.b); }
QRect Q(const skin::Rect& r) { return QRect(r.left, r.top, r.width, r.height); }

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
  QLinearGradient panel(0, 0, 0, height());
  panel.setColorAt(0, Q(skin::kPanelTop));
  panel.setColorAt(1, Q(skin::kPanelBottom));
  p.fillRect(rect(), panel);

  p.setPen(Q(skin::kLabelYellow));
  p.drawText(Q(skin::Progress::TextArea(width(), height())), Qt::AlignRight | Qt::AlignVCenter,
             Text());

  p.setPen(Q(skin::kPanelLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(Q(skin::Progress::Frame(width(), height())).adjusted(0, 0, -1, -1));
  const QRect filled = Q(model_.Filled(width(), height()));
  if (filled.width() <= 0) return;
  QLinearGradient fill(0, filled.top(), 0, filled.bottom());
  fill.setColorAt(0, Q(skin::kAccent));
  fill.setColorAt(1, Q(skin::kAccentDark));
  p.fillRect(filled, fill);
}

}  // namespace rz::gui
