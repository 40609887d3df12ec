// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/ButtonState.h"

namespace rz::skin {

Face ButtonState::PaintFace() const {
  if (!enabled_) return Face::Disabled;
  if (pressed_) return Face::Pressed;
  return hovered_ ? Face::Hover : Face::Normal;
}

ButtonEffect ButtonState::SetEnabled(bool enabled) {
  if (enabled == enabled_) return {};
  enabled_ = enabled;
  return {.drawNow = enabled ? Face::Normal : Face::Disabled};
}

ButtonEffect ButtonState::Enter() {
  if (!enabled_) return {};
  hovered_ = true;
  return {.drawNow = pressed_ ? Face::None : Face::Hover, .entered = true};
}

ButtonEffect ButtonState::Leave() {
  if (!enabled_) return {};
  hovered_ = false;
  return {.drawNow = pressed_ ? Face::None : Face::Normal, .left = true};
}

ButtonEffect ButtonState::Entered() { return hovered_ ? ButtonEffect{} : Enter(); }

ButtonEffect ButtonState::Left(bool visible) {
  if (visible) return hovered_ ? Leave() : ButtonEffect{};
  if (enabled_) hovered_ = pressed_ = false;
  return {};
}

ButtonEffect ButtonState::Moved(bool inside, bool buttonHeld) {
  if (!buttonHeld) return {};
  if (inside && !hovered_) return Enter();
  if (!inside && hovered_) return Leave();
  return {};
}

ButtonEffect ButtonState::Press(MouseButton) {
  if (!enabled_) return {};
  pressed_ = true;
  return {.drawNow = Face::Pressed};
}

ButtonEffect ButtonState::Release(MouseButton button, bool inside) {
  if (button != MouseButton::Left && !inside) return {};
  if (!enabled_) return {};
  pressed_ = false;
  return {.drawNow = hovered_ ? Face::Hover : Face::Normal, .click = true};
}

}  // namespace rz::skin
