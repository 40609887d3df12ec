// SPDX-License-Identifier: GPL-3.0-or-later
// One run of the fault matrix: a preset machine prepared with short images, start-up, the point's
// command, and what the run left behind. Branches, when given, are offered every moment a driver
// request could fail or the power could go.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "app/Detection.h"
#include "app/Program.h"
#include "base/Paths.h"
#include "commands/BackupChecksum.h"
#include "commands/FlashCommand.h"
#include "commands/SafetyBackup.h"
#include "commands/SaveCommand.h"
#include "commands/StockBios.h"
#include "commands/VerifyCommand.h"
#include "sim/devices/AtiCard.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/FaultMatrix.h"
#include "support/FaultScenario.h"
#include "support/ProgramRun.h"
#include "support/SimHarness.h"

namespace rz::test::matrix {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kTargetName = "backup.rom";
constexpr const char* kTargetEarlier = "an earlier backup";

std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file()) names.insert(e.path().filename().string());
  return names;
}

Bytes ChipContents(sim::EmulatedPlatform& p) {
  sim::PciDevice* d = p.AdapterDevice(0);
  if (auto* nv = dynamic_cast<sim::NvidiaCard*>(d); nv && nv->Chip()) {
    const auto c = nv->Chip()->Contents();
    return Bytes(c.begin(), c.end());
  }
  if (auto* ati = dynamic_cast<sim::AtiCard*>(d)) return ati->Eeprom();
  return {};
}

bool IsSuccessText(const std::string& t) { return t.find("completed!!!") != std::string::npos; }

// Messages that neither fail nor succeed: the warnings before the work.
bool IsWarning(const std::string& t) { return t == commands::kBlankScreenWarning; }

void Observe(const std::vector<ui::UiEvent>& events, std::size_t from, Observation& o) {
  for (std::size_t i = from; i < events.size(); ++i) {
    const ui::UiEvent& e = events[i];
    const bool notice = e.kind == ui::EventKind::SimpleMessage ||
                        e.kind == ui::EventKind::SkinnedMessage ||
                        (e.kind == ui::EventKind::MessageBox && e.buttons == ui::Buttons::Ok);
    if (!notice) continue;
    if (IsSuccessText(e.text)) {
      o.successShown = true;
      continue;
    }
    if (IsWarning(e.text)) continue;
    o.failureNotices.push_back(e.text);
  }
}

void RunCommand(const Point& point, sim::EmulatedPlatform& machine, app::Program& program,
                ui::ScriptedUi& ui, const TempDir& dir, Observation& o) {
  auto ctx = program.Commands();
  const auto& adapter = machine.Recipe().adapters.at(0);
  switch (point.command) {
    case Command::Startup: return;
    case Command::Save:
      ui.QueueFile(dir.File(kTargetName));
      o.completed = commands::btSaveClick(ctx);
      return;
    case Command::Verify: {
      const auto report = commands::VerifyCard(ctx, dir.File(kCardImageName));
      o.completed = report.status == commands::VerifyReport::Status::Match;
      // The terminal prints the verdict; it is the command's message.
      o.successShown = o.completed;
      if (!o.completed) o.failureNotices.push_back(commands::VerifyText(report));
      return;
    }
    case Command::Stock:
      o.completed = commands::btFlashClick(ctx, commands::StockOffer::Take) ==
                    commands::FlashOutcome::Completed;
      return;
    case Command::Flash:
      // The stock BIOS offer is declined: the matrix flashes its own newer image.
      if (adapter.vendorId != sim::kAtiVendorId && commands::HasStockBiosOffer(adapter.subsystemId))
        ui.QueueAnswer(false);
      ui.QueueFile(dir.File(kNewImageName));
      o.completed = commands::btFlashClick(ctx) == commands::FlashOutcome::Completed;
      return;
  }
}

// The path the restore hint names; empty when none was shown.
std::string HintedPath(const Observation& o) { return HintedBackup(o.failureNotices); }

// The next start after a power cut: a machine of the preset whose card holds what the cut left,
// and the backup the failure named flashed onto it. Empty when the card comes back byte for byte.
std::string TryRestore(const Point& point, const Observation& o) {
  const std::string named = HintedPath(o);
  if (named.empty())
    return o.chipAfter == o.chipBefore ? "" : "the chip changed and no backup was named";
  TempDir dir;
  sim::ScenarioRecipe recipe = sim::MaterializePreset(point.preset, dir.Path().string());
  auto& eeprom = recipe.adapters.at(0).eeprom;
  testimage::WriteFile(eeprom->imagePath, o.chipAfter);
  eeprom->faults = {};
  // The program folder keeps its backups across the restart.
  const fs::path kept = fs::path(recipe.programFolder) / commands::kBackupFolderName /
                        fs::path(named).filename();
  fs::create_directories(kept.parent_path());
  fs::copy_file(named, kept);
  ProgramRun again(recipe, {true});  // a card whose BIOS is not found asks whether to go on
  if (!again.started) return "the next start did not reach the main window";
  if (again.Flash(kept.string()) != commands::FlashOutcome::Completed)
    return "flashing " + named + " failed: " + (again.ui.Messages().empty() ? "" : again.ui.Messages().back());
  return again.Card() == o.chipBefore ? "" : "flashing " + named + " did not give the card back";
}

// The backup at `path` against the old chip, read in blocks: a run forked for one point should
// not copy whole chips about (fresh pages are most of what a branch costs).
Observation::Backup Compared(const std::string& path, const Bytes& chip) {
  Observation::Backup b;
  std::ifstream in(path, std::ios::binary);
  char block[4096];
  bool same = true;
  while (in) {
    in.read(block, sizeof block);
    const auto n = static_cast<std::size_t>(in.gcount());
    same = same && b.size + n <= chip.size() &&
           std::equal(block, block + n, chip.begin() + static_cast<std::ptrdiff_t>(b.size),
                      [](char c, std::uint8_t u) { return static_cast<std::uint8_t>(c) == u; });
    b.size += n;
  }
  b.oldChip = same && b.size == chip.size();
  return b;
}

// A second fault, from the moment a branch begins (its number lies ahead of the counts).
void ArmNow(const Fault& f, sim::EmulatedPlatform& machine) {
  if (f.kind == FaultKind::Request) machine.GetMachine().Faults().failRequestAt = f.at;
  if (f.kind == FaultKind::FileCall) machine.Files().Faults().failCallAt = f.at;
  if (f.kind == FaultKind::DiskFull) machine.Files().Faults().diskFullAtWrite = f.at;
}

std::uint64_t Operations(const sim::FlashChip* chip, bool bytes) {
  if (!chip) return 0;
  return bytes ? chip->Counters().bytesProgrammed : chip->Counters().pageOperations;
}

// Erases and program operations the chip has seen: a count that grew means the chip was touched.
std::uint64_t ChipWork(const sim::FlashChip& chip) {
  return chip.Counters().chipErases + chip.Counters().programOperations;
}

}  // namespace

Observation RunPoint(const Point& point, const RunOptions& options) {
  Observation o;
  TempDir dir;
  sim::ScenarioRecipe recipe = PrepareScenario(point, dir);
  dir.Write(kTargetName, kTargetEarlier);
  o.targetEarlier = kTargetEarlier;
  if (auto& e = recipe.adapters[0].eeprom) o.byteProgramChip = e->model.pageSize <= 1;
  const std::string backups = recipe.programFolder + commands::kBackupFolderName;

  sim::EmulatedPlatform machine(recipe);
  ui::ScriptedUi ui;
  // The card without a maker's BIOS asks at start-up whether to go on: yes.
  if (point.preset == "nvidia-nomaker") ui.QueueAnswer(true);
  app::Program program(machine.Seams(), ui);
  program.detect = app::DetectCard;
  sim::Machine& m = machine.GetMachine();
  sim::FlashChip* chip = nullptr;
  if (auto* nv = dynamic_cast<sim::NvidiaCard*>(machine.AdapterDevice(0))) chip = nv->Chip();

  // Branches are offered the moments of the command alone (start-up's when it is the command).
  bool inCommand = false;
  std::uint64_t chipWorkBefore = 0;
  Branches* branches = options.branches;
  const auto offer = [&](FaultKind kind, std::uint64_t n, const std::function<void()>& inject) {
    if (!inCommand) return;
    const Moment now{m.DriverRequests(), machine.Files().CallsSoFar(), machine.Files().WritesSoFar(),
                     chip && ChipWork(*chip) > chipWorkBefore};
    branches->At(kind, n, now, [&] {
      machine.Files().StartJournal();  // the branch puts the parent's files back at its end
      inject();
      if (const auto second = branches->Second()) ArmNow(*second, machine);
    });
  };
  if (branches) {
    m.BeforeEachRequest([&](std::uint64_t n) {
      offer(FaultKind::Request, n, [&m, n] { m.Faults().failRequestAt = n; });
    });
    if (chip)
      chip->AfterEachOperation(o.byteProgramChip, [&] {
        offer(FaultKind::PowerCut, Operations(chip, o.byteProgramChip), [chip] { chip->CutPower(); });
      });
  }

  try {
    inCommand = point.command == Command::Startup;
    o.ready = program.FormCreate() == app::StartResult::Ready;
    const std::set<std::string> filesBefore = FilesIn(dir.Path());
    o.chipBefore = ChipContents(machine);
    o.requestsBefore = point.command == Command::Startup ? 0 : m.DriverRequests();
    o.mapsBefore = point.command == Command::Startup ? 0 : m.Counters().mapRequests;
    o.writesBefore = point.command == Command::Startup ? 0 : machine.Files().WritesSoFar();
    o.callsBefore = point.command == Command::Startup ? 0 : machine.Files().CallsSoFar();
    o.operationsBefore = Operations(chip, o.byteProgramChip);
    if (chip) chipWorkBefore = ChipWork(*chip);
    const std::size_t eventsBefore = point.command == Command::Startup ? 0 : ui.Events().size();
    o.launchesBefore = point.command == Command::Startup ? 0 : machine.Launcher().launches.size();
    if (point.command != Command::Startup) ui.GetTranscript().Clear();
    if (o.ready) {
      inCommand = true;
      RunCommand(point, machine, program, ui, dir, o);
    }
    inCommand = false;
    if (point.command == Command::Startup) o.completed = o.successShown = o.ready;
    o.lines = ui.Lines();
    o.status = ui.StatusText();
    for (const auto label : {ui::Label::BiosVersion, ui::Label::EepromName, ui::Label::EepromSize})
      o.labels.push_back(ui.LabelText(label).value_or(""));
    Observe(ui.Events(), eventsBefore, o);
    o.requestsAfter = m.DriverRequests();
    o.mapsAfter = m.Counters().mapRequests;
    o.writesAfter = machine.Files().WritesSoFar();
    o.callsAfter = machine.Files().CallsSoFar();
    o.failedRequests = m.Counters().failedRequests;
    o.injected = m.Injected();
    o.failedFileCall = machine.Files().FailedCall();
    if (o.failedFileCall) o.lines.push_back("(failed) " + *o.failedFileCall);
    if (auto* nv = dynamic_cast<sim::NvidiaCard*>(machine.AdapterDevice(0)))
      o.promAccessOn = nv->PromAccessOn();
    o.liveMappings = m.LiveMappings();
    if (chip) {
      const sim::ChipCounters& c = chip->Counters();
      o.operations = Operations(chip, o.byteProgramChip) - o.operationsBefore;
      o.bytesProgrammed = c.bytesProgrammed;
      o.chipStuck = chip->Busy() && c.chipErases + c.programOperations + c.statusWrites > 0;
      o.powerCut = chip->PowerCut();
      if (o.powerCut) machine.Files().LosePower();  // the disk keeps what was flushed before it
    }
    const bool inBranch = branches && branches->InBranch();
    const bool restore = inBranch ? branches->RestoreInBranch() : options.tryRestore;
    // A branch compares the chip where it stands rather than copy it (fresh pages are most of
    // what a branch costs); the restore needs the bytes.
    if (inBranch && chip && !(o.powerCut && restore)) {
      const auto now = chip->Contents();
      o.chipAsBefore = std::equal(now.begin(), now.end(), o.chipBefore.begin(), o.chipBefore.end());
      const Bytes& cleanChip = branches->CleanChip();
      o.chipAsClean = std::equal(now.begin(), now.end(), cleanChip.begin(), cleanChip.end());
    } else {
      o.chipAfter = ChipContents(machine);
    }
    o.target = ReadAll(dir.Path() / kTargetName);
    // A checksum file beside a copy the program kept belongs to it (the checks of the copy say
    // whether the copy itself is right).
    const auto checksumOf = [](const std::string& name, const std::string& copy) {
      return name == copy + commands::kChecksumSuffix;
    };
    for (const auto& name : FilesIn(dir.Path()))
      if (!filesBefore.count(name) && name != kTargetName && !checksumOf(name, kTargetName))
        o.strayFiles.push_back(name);
    // Named as the program names them, so that the restore hint's path can be looked up.
    for (const auto& name : FilesIn(backups)) {
      const std::string path = backups + kPathSeparator + name;
      if (name.ends_with(".rom"))
        o.safetyBackups[path] = Compared(path, o.chipBefore);
      else if (!name.ends_with(std::string(".rom") + commands::kChecksumSuffix))
        o.strayFiles.push_back(std::string(commands::kBackupFolderName) + "/" + name);
      else if (!std::filesystem::exists(
                   backups + kPathSeparator +
                   name.substr(0, name.size() - std::string(commands::kChecksumSuffix).size())))
        o.strayFiles.push_back(std::string(commands::kBackupFolderName) + "/" + name);
    }
    const auto& launches = machine.Launcher().launches;
    for (std::size_t i = 0; i < launches.size(); ++i) {
      o.toolLaunches.push_back(launches[i].parameters);
      if (i >= o.launchesBefore) o.lines.push_back("(launch) " + launches[i].parameters);
    }
    if (o.powerCut && restore) o.restoreProblem = TryRestore(point, o);
    program.FormDestroy();
  } catch (const std::exception& e) {
    o.crash = e.what();
  } catch (...) {
    o.crash = "unknown exception";
  }
  if (branches && branches->InBranch()) {
    machine.Files().UndoChanges();
    branches->End(o);
  }
  return o;
}

}  // namespace rz::test::matrix
