// SPDX-License-Identifier: GPL-3.0-or-later
// The shared image-button scripts through the native window: the pointer's messages as the system
// sends them, to a button drawn by a skinned window.
#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "support/ButtonScripts.h"
#include "win32/SkinWindow.h"

namespace rz::win32::test {
namespace {

constexpr skin::Rect kButton{10, 10, 40, 20};
constexpr POINT kInside{20, 15}, kOutside{80, 40};

// One window for all scripts (a window takes long to come and go under Wine); each script gets a
// fresh button.
class OneButtonWindow final : public SkinWindow {
 public:
  OneButtonWindow() : SkinWindow(nullptr, "buttons", 120, 60, 0, 0, 0) {
    Buttons().onClick = [this](skin::Action) { ++clicks; };
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(Handle());
  }
  void FreshButton() {
    Buttons().Clear();
    Buttons().Add({"b", skin::Action::Ok, kButton, true, ""}, ShippedFolder());
    clicks = 0;
    RedrawNow();
  }
  int clicks = 0;
};

class Win32ButtonDriver final : public rz::test::ButtonDriver {
 public:
  explicit Win32ButtonDriver(OneButtonWindow& window) : window_(window) { window_.FreshButton(); }
  void Do(const rz::test::ButtonStep& step) override {
    using S = rz::test::ButtonStep;
    const WPARAM held = step.button == skin::MouseButton::Left    ? MK_LBUTTON
                        : step.button == skin::MouseButton::Right ? MK_RBUTTON
                                                                  : MK_MBUTTON;
    const UINT down = held == MK_LBUTTON ? WM_LBUTTONDOWN
                      : held == MK_RBUTTON ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
    switch (step.kind) {
      case S::Enter: Send(WM_MOUSEMOVE, 0, kInside); break;
      case S::Leave: Send(WM_MOUSEMOVE, 0, kOutside); break;
      case S::MoveInside: Send(WM_MOUSEMOVE, held, kInside); break;
      case S::MoveOutside: Send(WM_MOUSEMOVE, held, kOutside); break;
      case S::Press: Send(down, held, kInside); break;
      case S::Release:
        // WM_LBUTTONUP, WM_RBUTTONUP and WM_MBUTTONUP follow their down messages.
        Send(down + 1, 0, step.inside ? kInside : kOutside);
        break;
      case S::Disable: window_.Buttons().SetEnabled(false); break;
      case S::Enable: window_.Buttons().SetEnabled(true); break;
    }
  }
  skin::Face Shown() override { return window_.Buttons().All().front().lastDrawn; }
  int Clicks() override { return window_.clicks; }

 private:
  void Send(UINT message, WPARAM wParam, POINT at) {
    ::SendMessageW(window_.Handle(), message, wParam, MAKELPARAM(at.x, at.y));
  }
  OneButtonWindow& window_;
};

TEST(Win32Button, EveryScriptOfTheSharedTable) {
  OneButtonWindow window;
  const auto problems = rz::test::RunButtonScripts(
      [&window] { return std::make_unique<Win32ButtonDriver>(window); });
  for (const auto& p : problems) ADD_FAILURE() << p;
}

}  // namespace
}  // namespace rz::win32::test
