// SPDX-License-Identifier: GPL-3.0-or-later
// The image button's behaviour, apart from any toolkit: which face it shows, when it draws at once
// (outside the window's paint cycle, so the state shows while a command keeps the event loop busy)
// and when its click fires. A renderer feeds it the pointer's events and carries out the effects
// in order: the immediate draw first, then the notifications.
#pragma once
#include "skin/Layout.h"

namespace rz::skin {

enum class MouseButton { Left, Right, Middle };

struct ButtonEffect {
  Face drawNow = Face::None;  // draw this face at once
  bool entered = false;       // AfterMouseEnter
  bool left = false;          // AfterMouseLeave
  bool click = false;         // AfterMouseUp: the button's action
};

class ButtonState {
 public:
  bool Enabled() const { return enabled_; }
  bool Hovered() const { return hovered_; }
  bool Held() const { return pressed_; }
  // The face an ordinary paint draws.
  Face PaintFace() const;

  // BtnEnabled: off shows the disabled face and ignores the mouse; on shows the normal face.
  ButtonEffect SetEnabled(bool enabled);
  // The toolkit's crossing notifications. A leave while the button is hidden forgets the hover
  // and the press without drawing or notifying.
  ButtonEffect Entered();
  ButtonEffect Left(bool visible);
  // A pointer move while a mouse button is held. Toolkits report crossings late while a button
  // holds the pointer (they hold them back until the release); the moves give them in time.
  // Either source acts only on a real change, so a crossing is never handled twice.
  ButtonEffect Moved(bool inside, bool buttonHeld);
  // Any mouse button presses the button. The press holds the pointer for the button (every
  // release comes to it); only the left button's release counts wherever it happens, the right
  // and middle ones only over the button.
  ButtonEffect Press(MouseButton button);
  ButtonEffect Release(MouseButton button, bool inside);

 private:
  ButtonEffect Enter();
  ButtonEffect Leave();
  bool enabled_ = true;
  bool hovered_ = false;
  bool pressed_ = false;
};

}  // namespace rz::skin
