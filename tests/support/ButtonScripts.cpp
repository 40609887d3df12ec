// SPDX-License-Identifier: GPL-3.0-or-later
#include "ButtonScripts.h"

namespace rz::test {

namespace {

using S = ButtonStep;
using skin::Face;
using skin::MouseButton;

S PressWith(MouseButton b) { return {S::Press, b, true}; }
S ReleaseWith(MouseButton b, bool inside) { return {S::Release, b, inside}; }
S MoveOut(MouseButton held) { return {S::MoveOutside, held, false}; }
S MoveIn(MouseButton held) { return {S::MoveInside, held, true}; }

const char* FaceName(Face f) {
  switch (f) {
    case Face::None: return "none";
    case Face::Normal: return "normal";
    case Face::Hover: return "hover";
    case Face::Pressed: return "pressed";
    case Face::Disabled: return "disabled";
  }
  return "?";
}

}  // namespace

const std::vector<ButtonScript>& ButtonScripts() {
  constexpr auto L = MouseButton::Left, R = MouseButton::Right, M = MouseButton::Middle;
  static const std::vector<ButtonScript> scripts = {
      {"hover and leave", {{S::Enter}, {S::Leave}}, Face::Normal, 0},
      {"left click", {{S::Enter}, PressWith(L), ReleaseWith(L, true)}, Face::Hover, 1},
      {"right click", {{S::Enter}, PressWith(R), ReleaseWith(R, true)}, Face::Hover, 1},
      {"middle click", {{S::Enter}, PressWith(M), ReleaseWith(M, true)}, Face::Hover, 1},
      // The left button holds the pointer for the button: its release counts anywhere.
      {"left release away from the button",
       {{S::Enter}, PressWith(L), MoveOut(L), ReleaseWith(L, false)}, Face::Normal, 1},
      // The other buttons' releases count only over the button; it stays pressed meanwhile.
      {"right release away from the button",
       {{S::Enter}, PressWith(R), MoveOut(R), ReleaseWith(R, false)}, Face::Pressed, 0},
      {"dragged out and back in",
       {{S::Enter}, PressWith(L), MoveOut(L), MoveIn(L), ReleaseWith(L, true)}, Face::Hover, 1},
      {"disabled ignores the mouse",
       {{S::Disable}, {S::Enter}, PressWith(L), ReleaseWith(L, true)}, Face::Disabled, 0},
      {"enabled again under the pointer", {{S::Enter}, {S::Disable}, {S::Enable}}, Face::Normal, 0},
      {"disabled while pressed", {{S::Enter}, PressWith(L), {S::Disable}, ReleaseWith(L, true)},
       Face::Disabled, 0},
      {"two clicks", {{S::Enter}, PressWith(L), ReleaseWith(L, true), PressWith(L),
                      ReleaseWith(L, true)}, Face::Hover, 2},
  };
  return scripts;
}

std::vector<std::string> RunButtonScripts(
    const std::function<std::unique_ptr<ButtonDriver>()>& make) {
  std::vector<std::string> problems;
  for (const ButtonScript& script : ButtonScripts()) {
    const std::unique_ptr<ButtonDriver> driver = make();
    for (const ButtonStep& step : script.steps) driver->Do(step);
    const Face shown = driver->Shown();
    const int clicks = driver->Clicks();
    if (shown != script.shown || clicks != script.clicks)
      problems.push_back(std::string(script.name) + ": shows " + FaceName(shown) + " after " +
                         std::to_string(clicks) + " clicks, expected " +
                         FaceName(script.shown) + " after " + std::to_string(script.clicks));
  }
  return problems;
}

}  // namespace rz::test
