// SPDX-License-Identifier: GPL-3.0-or-later
// The status panel's progress bar, apart from any toolkit: the phase and the percentage above a
// thin bar that fills from the left or, while the work does not tell how far it is (the vendor
// tool's road), a block that runs to and fro. Hidden until a command reports progress.
#pragma once
#include <optional>
#include <string>

#include "skin/Geometry.h"

namespace rz::skin {

class Progress {
 public:
  static constexpr int kBarHeight = 5;
  static constexpr int kBlockWidth = 40;  // the running block while there is no percentage
  static constexpr int kAnimationMs = 40;
  static constexpr int kStepPixels = 4;

  // Shows `phase` at `percent` (clamped to 0..100); nullopt: running without a percentage, which
  // animates (the block starts at the left when the animation starts). Returns whether what the
  // bar shows changed, so that the renderer draws it at once.
  bool Set(const std::string& phase, std::optional<int> percent);
  // Hides the bar and stops its animation.
  void Stop();
  // One animation step (every kAnimationMs while Animating()).
  void Tick() { ++step_; }

  bool Visible() const { return visible_; }
  bool Animating() const { return visible_ && !percent_; }
  const std::string& Phase() const { return phase_; }
  std::optional<int> Percent() const { return percent_; }
  // What the bar reads: "Programming 42%", or the phase alone while running without a percentage.
  std::string Text() const;

  // Where the parts go in a bar of `width` x `height`: the text above, the bar's frame at the
  // bottom, and the filled part inside the frame (width 0: nothing filled).
  static Rect TextArea(int width, int height);
  static Rect Frame(int width, int height);
  Rect Filled(int width, int height) const;

 private:
  std::string phase_;
  std::optional<int> percent_;
  bool visible_ = false;
  int step_ = 0;
};

}  // namespace rz::skin
