// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProgramRun.h"

#include "commands/BackupChecksum.h"
#include "commands/RestoreHint.h"
#include "commands/SafetyBackup.h"

#include <fstream>

#include "app/Detection.h"
#include "sim/devices/AtiCard.h"
#include "sim/devices/NvidiaCard.h"

namespace rz::test {

namespace fs = std::filesystem;

ByteVector ReadAll(const fs::path& p) {
  std::error_code ec;
  const auto size = fs::file_size(p, ec);
  ByteVector bytes(ec ? 0 : static_cast<std::size_t>(size));
  std::ifstream in(p, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::string HintedBackup(const std::vector<std::string>& messages) {
  const std::string failed = commands::RestoreFailedText("");
  const std::string start = commands::kRestoreHintStart, end = commands::kRestoreHintEnd;
  for (std::string m : messages) {
    if (m.starts_with(failed)) m.erase(0, failed.size());
    if (m.starts_with(start) && m.ends_with(end))
      return m.substr(start.size(), m.size() - start.size() - end.size());
  }
  return {};
}

std::vector<fs::path> BackupsIn(const std::string& programFolder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(programFolder) / "Backups", ec))
    if (e.path().extension() != commands::kChecksumSuffix) found.push_back(e.path());
  return found;
}

ProgramRun::ProgramRun(sim::ScenarioRecipe scenario, std::vector<bool> answers)
    : machine(std::move(scenario)), program(machine.Seams(), ui) {
  for (const bool yes : answers) ui.QueueAnswer(yes);
  program.detect = app::DetectCard;
  started = program.FormCreate() == app::StartResult::Ready;
}

ProgramRun::~ProgramRun() { program.FormDestroy(); }

commands::FlashOutcome ProgramRun::Flash(const std::string& file) {
  ui.GetTranscript().Clear();
  ui.QueueFile(file);
  auto ctx = program.Commands();
  return commands::btFlashClick(ctx, commands::StockOffer::Decline);
}

ByteVector ProgramRun::Card() {
  sim::PciDevice* device = machine.AdapterDevice(0);
  if (auto* nvidia = dynamic_cast<sim::NvidiaCard*>(device)) {
    const auto c = nvidia->Chip()->Contents();
    return {c.begin(), c.end()};
  }
  return dynamic_cast<sim::AtiCard&>(*device).Eeprom();
}

}  // namespace rz::test
