// SPDX-License-Identifier: GPL-3.0-or-later
// The nested message loop that keeps the windows painting while an outside program runs: paint,
// timer, posted and sent messages are handled, mouse and keyboard input stays in the queue until
// the program has ended.
#pragma once
#include "host/windows/OwnedHandles.h"
#include "skin/PaintingToolLauncher.h"

namespace rz::win32 {

class Win32EventPump final : public skin::EventPump {
 public:
  Win32EventPump();
  void Run() override;
  // Sets an event the loop waits on as well: never lost when it comes before Run.
  void Quit() override;

 private:
  platform::win::Owned<platform::win::KernelObject> done_;
};

}  // namespace rz::win32
