// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/Progress.h"

#include <algorithm>

namespace rz::skin {

bool Progress::Set(const std::string& phase, std::optional<int> percent) {
  if (percent) percent = std::clamp(*percent, 0, 100);
  const bool changed = phase != phase_ || percent != percent_ || !visible_;
  if (!percent && (percent_ || !visible_)) step_ = 0;  // the animation starts afresh
  phase_ = phase;
  percent_ = percent;
  visible_ = true;
  return changed;
}

void Progress::Stop() {
  phase_.clear();
  percent_.reset();
  visible_ = false;
}

std::string Progress::Text() const {
  return percent_ ? phase_ + " " + std::to_string(*percent_) + "%" : phase_;
}

Rect Progress::Frame(int width, int height) {
  return {0, height - kBarHeight - 1, width, kBarHeight};
}

Rect Progress::TextArea(int width, int height) {
  return {0, 0, width, Frame(width, height).top - 1};
}

Rect Progress::Filled(int width, int height) const {
  const Rect frame = Frame(width, height);
  const Rect inside{frame.left + 1, frame.top + 1, frame.width - 2, frame.height - 2};
  if (percent_) return {inside.left, inside.top, inside.width * *percent_ / 100, inside.height};
  // To and fro across the bar.
  const int travel = std::max(1, inside.width - kBlockWidth);
  const int pos = (step_ * kStepPixels) % (2 * travel);
  return {inside.left + (pos < travel ? pos : 2 * travel - pos), inside.top, kBlockWidth,
          inside.height};
}

}  // namespace rz::skin
