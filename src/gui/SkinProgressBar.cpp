#include "gui/SkinProgressBar.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "gui/Fonts.h"

namespace rz::gui {

namespace {

// The colours the skin artwork is drawn with: the status strip's panel and its edge, the accent
// of the header rule and the pressed buttons, and the yellow of the main window's labels.
const QColor kPanelTop(0x0D, 0x10, 0x16);
const QColor kPanelBottom(0x12, 0x16, 0x1E);
const QColor kPanelLine(0x3A, 0x42, 0x50);
const QColor kAccent(0xFF, 0x7A, 0x18);
const QColor kAccentDark(0xC8, 0x55, 0x08);
const QColor kLabelYellow(255, 255, 0);

constexpr int kBarHeight = 5;
constexpr int kBlockWidth = 40;     // the running block while there is no percentage
constexpr int kAnimationMs = 40;
constexpr int kStepPixels = 4;

}  // namespace

TSkinProgressBar::TSkinProgressBar(QWidget* owner) : QWidget(owner) {
  setAttribute(Qt::WA_TransparentForMouseEvents);  // presses reach the background, as before
  setFont(ArialFont(11));
  animation_.setInterval(kAnimationMs);
  connect(&animation_, &QTimer::timeout, this, [this] {
    ++step_;
    update();
  });
  hide();
}

void TSkinProgressBar::SetProgress(const QString& phase, std::optional<int> percent) {
  if (percent) percent = std::clamp(*percent, 0, 100);
  const bool changed = phase != phase_ || percent != percent_ || isHidden();
  phase_ = phase;
  percent_ = percent;
  if (percent_) {
    animation_.stop();
  } else if (!animation_.isActive()) {
    step_ = 0;
    animation_.start();
  }
  show();
  raise();
  if (changed) repaint();  // at once: the command keeps the event loop busy
}

void TSkinProgressBar::Stop() {
  animation_.stop();
  phase_.clear();
  percent_.reset();
  hide();
}

QString TSkinProgressBar::Text() const {
  return percent_ ? QStringLiteral("%1 %2%").arg(phase_).arg(*percent_) : phase_;
}

void TSkinProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The strip's own panel, so the bar sits on it wherever it is placed.
  QLinearGradient panel(0, 0, 0, height());
  panel.setColorAt(0, kPanelTop);
  panel.setColorAt(1, kPanelBottom);
  p.fillRect(rect(), panel);

  const QRect bar(0, height() - kBarHeight - 1, width(), kBarHeight);
  p.setPen(kLabelYellow);
  p.drawText(QRect(0, 0, width(), bar.top() - 1), Qt::AlignRight | Qt::AlignVCenter, Text());

  p.setPen(kPanelLine);
  p.setBrush(Qt::NoBrush);
  p.drawRect(bar.adjusted(0, 0, -1, -1));
  const QRect inside = bar.adjusted(1, 1, -1, -1);
  QRect filled;
  if (percent_) {
    filled = QRect(inside.left(), inside.top(), inside.width() * *percent_ / 100, inside.height());
  } else {
    // To and fro across the bar.
    const int travel = std::max(1, inside.width() - kBlockWidth);
    const int pos = (step_ * kStepPixels) % (2 * travel);
    filled = QRect(inside.left() + (pos < travel ? pos : 2 * travel - pos), inside.top(),
                   kBlockWidth, inside.height());
  }
  if (filled.width() <= 0) return;
  QLinearGradient fill(0, inside.top(), 0, inside.bottom());
  fill.setColorAt(0, kAccent);
  fill.setColorAt(1, kAccentDark);
  p.fillRect(filled, fill);
}

}  // namespace rz::gui
