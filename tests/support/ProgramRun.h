// SPDX-License-Identifier: GPL-3.0-or-later
// The program started on one emulated machine of a scenario, ready for the flash command, and the
// safety backups it leaves in the program folder.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "app/Program.h"
#include "commands/FlashCommand.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/ScriptedUi.h"

namespace rz::test {

using ByteVector = std::vector<std::uint8_t>;

ByteVector ReadAll(const std::filesystem::path& p);

// The backup a restore hint among `messages` names (after the word that the program's own
// restore failed, or alone); empty when none does.
std::string HintedBackup(const std::vector<std::string>& messages);

// The backups in <programFolder>Backups: its files but the checksum files beside them.
std::vector<std::filesystem::path> BackupsIn(const std::string& programFolder);

struct ProgramRun {
  // `answers`: what start-up questions are answered (a card whose BIOS is not found asks).
  explicit ProgramRun(sim::ScenarioRecipe scenario, std::vector<bool> answers = {});
  ~ProgramRun();

  // Flashes `file`, declining a stock BIOS offer where there is one (no answer is taken from the
  // queue for it).
  commands::FlashOutcome Flash(const std::string& file);
  // What adapter 0's BIOS chip holds now.
  ByteVector Card();
  const std::string& ProgramFolder() { return machine.Recipe().programFolder; }

  sim::EmulatedPlatform machine;
  ui::ScriptedUi ui;
  app::Program program;
  bool started = false;
};

}  // namespace rz::test
