// SPDX-License-Identifier: GPL-3.0-or-later
// What an image button does under the pointer, written once for every renderer: scripts of pointer
// events with the face the button shows at the end and the clicks it fired. Each renderer runs
// them through a driver that turns the steps into its toolkit's events.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/ButtonState.h"

namespace rz::test {

struct ButtonStep {
  enum Kind { Enter, Leave, MoveInside, MoveOutside, Press, Release, Disable, Enable } kind;
  skin::MouseButton button = skin::MouseButton::Left;  // Press, Release, and the held button
  bool inside = true;                                  // Release: over the button or away
};

struct ButtonScript {
  const char* name;
  std::vector<ButtonStep> steps;
  skin::Face shown;  // the face drawn last
  int clicks;
};

const std::vector<ButtonScript>& ButtonScripts();

class ButtonDriver {
 public:
  virtual ~ButtonDriver() = default;
  virtual void Do(const ButtonStep& step) = 0;
  virtual skin::Face Shown() = 0;
  virtual int Clicks() = 0;
};

// Runs every script on a fresh button from `make`; returns one line per script that went wrong.
std::vector<std::string> RunButtonScripts(
    const std::function<std::unique_ptr<ButtonDriver>()>& make);

}  // namespace rz::test
