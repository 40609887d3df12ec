// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/CompletedFlashMessage.h"

#include "base/Paths.h"
#include "commands/FlashCommand.h"
#include "commands/VendorTool.h"

namespace rz::commands {

void CompletedFlashMessage::Kept(const ui::KeptCopy& copy) {
  if (copy.kind == ui::KeptCopy::Kind::SafetyBackup) backup_ = copy.path;
}

std::string CompletedFlashMessage::Shown(const std::string& text, bool wholePath) {
  const bool completed =
      text == commands::kFlashCompletedText || text == commands::kAtiFlashCompletedText;
  if (!completed || backup_.empty()) return text;
  const std::string shown =
      text + "\nOld BIOS kept as " + (wholePath ? backup_ : FileNameOf(backup_));
  backup_.clear();
  return shown;
}

}  // namespace rz::commands
