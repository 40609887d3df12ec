// SPDX-License-Identifier: GPL-3.0-or-later
// What the front ends show when a flash completed: the program's own completion text and, on a
// second line, the safety backup the flash kept, so that the person learns where the old BIOS went
// without reading back. The transcript keeps the completion text alone.
#pragma once
#include <string>

#include "ui/Ui.h"

namespace rz::commands {

// Remembers the safety backup a command kept, and adds it to the completion message.
class CompletedFlashMessage {
 public:
  // A copy the command kept; only a safety backup is remembered.
  void Kept(const ui::KeptCopy& copy);
  // `text`, with "\nOld BIOS kept as NAME" when it says a flash completed and a safety backup was
  // kept since the last completion; the backup is forgotten once told. NAME is the backup's file
  // name, or its whole path with `wholePath` (where the line has room).
  std::string Shown(const std::string& text, bool wholePath = false);

 private:
  std::string backup_;
};

}  // namespace rz::commands
