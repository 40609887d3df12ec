// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's busy switch. While a command runs it is off: the image buttons and the plain
// controls marked busySwitched in the layout are turned off, the window refuses to close (its
// close button, Alt-F4, the window manager) and the session's end (log-off, shut-down) is
// cancelled, because a half-done save or flash must finish first. Progress shows only meanwhile;
// turning the switch back on takes the progress bar away.
#pragma once

namespace rz::skin {

class BusySwitch {
 public:
  void Set(bool enabled) { running_ = !enabled; }
  bool CommandRunning() const { return running_; }
  bool MayClose() const { return !running_; }
  bool CancelsSessionEnd() const { return running_; }
  bool ShowsProgress() const { return running_; }

 private:
  bool running_ = false;
};

}  // namespace rz::skin
