// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Ui.h"

#include <algorithm>

namespace rz::ui {

const char* LabelName(Label label) {
  switch (label) {
    case Label::BiosVersion: return "lBIOSVersion";
    case Label::EepromName: return "lEEPROMName";
    case Label::EepromSize: return "lEEPROMSize";
  }
  return "?";
}

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::Reading: return "Reading";
    case Phase::BackingUp: return "Backing up";
    case Phase::Checking: return "Checking";
    case Phase::Erasing: return "Erasing";
    case Phase::Programming: return "Programming";
    case Phase::Verifying: return "Verifying";
    case Phase::Restoring: return "Restoring";
  }
  return "?";
}

const char* KeptCopyKindName(KeptCopy::Kind kind) {
  return kind == KeptCopy::Kind::Saved ? "saved" : "safety-backup";
}

std::optional<unsigned> ProgressPercent(std::uint32_t done, std::uint32_t total) {
  if (total == kUnknownTotal) return std::nullopt;
  return static_cast<unsigned>(std::uint64_t{std::min(done, total)} * 100 / total);
}

}  // namespace rz::ui
