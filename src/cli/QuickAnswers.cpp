// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/QuickAnswers.h"

#include "app/ExitCodes.h"
#include "base/BuildConfig.h"
#include "cli/InspectCommand.h"
#include "cli/Reports.h"
#include "commands/ChipListing.h"
#include "sim/scenario/Presets.h"
#include "ui/Ui.h"

namespace rz::cli {

namespace {

constexpr const char* kLicenceText =
    "Copyright (C) 2026 RZFLASH developers.\n"
    "License GPL-3.0-or-later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

}  // namespace

std::optional<int> AnswerWithoutProgram(const Options& o, std::FILE* human, RunEnd& end) {
  switch (o.command) {
    case Command::Help:
      std::fprintf(human, "%s", kUsage);
      return app::kExitOk;
    case Command::Version:
      std::fprintf(human, "rzflash-cli %s (%s)\nmaker subsystem vendor id: 0x%04X\n%s",
                   kProgramVersion, ui::kApplicationTitle, kMakerSubsystemVendorId, kLicenceText);
      return app::kExitOk;
    case Command::Chips: {
      const auto chips = commands::ListChips();
      for (const auto& c : chips) std::fprintf(human, "%s\n", ChipLine(c).c_str());
      if (auto* json = end.Json()) WriteChipsJson(*json, chips);
      return app::kExitOk;
    }
    case Command::Inspect:
      return RunInspect(o, human, end);
    case Command::Machines:
      for (const auto& p : sim::ListPresets())
        std::fprintf(human, "%-20s %s\n", p.name.c_str(), p.description.c_str());
      return app::kExitOk;
    default:
      return std::nullopt;
  }
}

}  // namespace rz::cli
