// SPDX-License-Identifier: GPL-3.0-or-later
// The image buttons of a skinned window, drawn by the window itself (they have no window of their
// own, so their see-through pixels show the window's background): their faces from the skin
// files, the pointer's events routed to each button's state machine, the capture a press takes,
// the hand cursor, and what a click asks the window to do.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "skin/ButtonState.h"
#include "skin/Layout.h"
#include "win32/Gdi.h"

namespace rz::win32 {

struct ImageButton {
  skin::ImageButtonLayout layout;
  skin::ButtonState state;
  std::array<OwnedGdi, 5> faces;  // by skin::Face; Face::None stays empty
  skin::Face forced = skin::Face::None;  // the face of a draw that happens at once
  skin::Face lastDrawn = skin::Face::None;
  int paintCount = 0;
};

class ImageButtons {
 public:
  // Runs a clicked button's action (after the capture is given back).
  std::function<void(skin::Action)> onClick;

  explicit ImageButtons(HWND window) : window_(window) {}
  // Adds a button with its faces from `programFolder`'s skin files.
  void Add(const skin::ImageButtonLayout& layout, const std::string& programFolder);
  std::vector<ImageButton>& All() { return buttons_; }
  // Removes every button (and the capture a press of one held).
  void Clear();
  const ImageButton* Find(skin::Action action) const;

  // BtnEnabled of every button.
  void SetEnabled(bool enabled);
  // Draws every button's face (the forced one where a draw happens at once).
  void Paint(HDC dc);

  // The pointer's messages; true when a button took the message (a press on no button is the
  // window's own).
  bool MouseMove(int x, int y, bool anyButtonHeld);
  bool MouseDown(skin::MouseButton button, int x, int y);
  bool MouseUp(skin::MouseButton button, int x, int y);
  void MouseLeftWindow();
  void CaptureLost() { captured_ = -1; }
  // Whether (x, y) is over a button: the hand cursor shows there.
  bool Over(int x, int y) const { return At(x, y) >= 0; }
  // Forgets hover and press without drawing, as when the window hides.
  void Hidden();
  // Carries out what a button's state machine asked: the immediate draw, then the click.
  void Apply(ImageButton& button, const skin::ButtonEffect& effect);

 private:
  int At(int x, int y) const;
  void DrawNow(ImageButton& button, skin::Face face);
  // Each button hovered exactly when the pointer is over it.
  void SyncHover(int x, int y);

  HWND window_;
  std::vector<ImageButton> buttons_;
  int captured_ = -1;  // the button that a press holds the pointer for
  bool tracking_ = false;
};

}  // namespace rz::win32
