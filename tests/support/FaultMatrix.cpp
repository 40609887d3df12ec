#include "support/FaultMatrix.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "app/Detection.h"
#include "app/Program.h"
#include "base/Paths.h"
#include "commands/FlashCommand.h"
#include "commands/SafetyBackup.h"
#include "commands/SaveCommand.h"
#include "commands/StockBios.h"
#include "commands/VendorTool.h"
#include "sim/devices/AtiCard.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"

namespace rz::test::matrix {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kTargetName = "backup.rom";
constexpr const char* kTargetEarlier = "an earlier backup";
constexpr const char* kNewImageName = "new.rom";
// Length in 512-byte units of the NVIDIA cards' BIOS and of the new image: 4 KiB, 16 to 32 pages
// (enough for a power cut after every tenth). The presets' own 64 KiB BIOS is read whole at every
// start-up and save, which would make each run of the matrix sixteen times dearer.
constexpr std::uint8_t kImageUnits = 0x08;

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file()) names.insert(e.path().filename().string());
  return names;
}

// How the BIOS of a preset's card names its version: the new image names it the same way.
enum class Naming { Block, ModelText, None };

Naming NamingOf(const std::string& preset) {
  if (preset == "nvidia-modeltext") return Naming::ModelText;
  if (preset == "nvidia-nomaker") return Naming::None;
  return Naming::Block;
}

// An NVIDIA image of the board of `a`, of version F`version`, named as `naming` says.
Bytes NvidiaImage(const sim::AdapterRecipe& a, Naming naming, std::uint8_t version,
                  std::uint32_t seed) {
  testimage::ImageRecipe s;
  s.deviceId = a.deviceId;
  s.subsystemId = a.subsystemId;
  s.seed = seed;
  s.lengthByte = kImageUnits;
  if (naming == Naming::ModelText) s.modelText = "RZ-PX4R7H/F" + std::to_string(version);
  if (naming == Naming::Block) {
    s.block = testimage::RzBlockRecipe{};
    s.block->number = version;
  }
  return testimage::BuildImage(s);
}

// A newer image for the preset's card that validation hands to the flash job.
Bytes NewImage(const sim::AdapterRecipe& a, Naming naming) {
  if (a.vendorId != sim::kAtiVendorId) return NvidiaImage(a, naming, 5, 99);
  testimage::ImageRecipe s;
  s.vendorId = a.vendorId;
  s.deviceId = a.deviceId;
  s.subsystemId = a.subsystemId;
  s.seed = 99;
  s.modelText = "RZ-HD485/F3";
  s.atom = testimage::AtomRecipe{};
  return testimage::BuildImage(s);
}

void ApplyFault(const Fault& f, sim::ScenarioRecipe& recipe) {
  sim::ChipFaults* chip = recipe.adapters.at(0).eeprom ? &recipe.adapters[0].eeprom->faults : nullptr;
  switch (f.kind) {
    case FaultKind::None: break;
    case FaultKind::Request: recipe.faults.requestFailAt = f.at; break;
    case FaultKind::Map: recipe.faults.mapFailAfter = f.at; break;
    case FaultKind::DiskFull: recipe.faults.diskFullAtWrite = f.at; break;
    case FaultKind::VendorTool:
      recipe.vendorTool = sim::ParseVendorToolBehaviour(f.tool, "vendor_tool");
      break;
    case FaultKind::StuckBusy:
      if (chip) chip->stuckBusy = true;
      break;
    case FaultKind::StuckCells:
      if (chip) {
        const auto cell = static_cast<std::uint32_t>(f.at);
        chip->stuckCells = {{cell, cell}};
      }
      break;
    case FaultKind::PowerCut:
      if (!chip) break;
      if (chip->powerCutAfterPages || recipe.adapters[0].eeprom->model.pageSize > 1)
        chip->powerCutAfterPages = f.at;
      else
        chip->powerCutAfterBytes = f.at;
      break;
  }
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
  if (point.command == Command::Save) {
    ui.QueueFile(dir.File(kTargetName));
    o.completed = commands::btSaveClick(ctx);
    return;
  }
  // The stock BIOS offer is declined: the matrix flashes its own newer image.
  if (adapter.vendorId != sim::kAtiVendorId && commands::HasStockBiosOffer(adapter.subsystemId))
    ui.QueueAnswer(false);
  ui.QueueFile(dir.File(kNewImageName));
  o.completed = commands::btFlashClick(ctx) == commands::FlashOutcome::Completed;
}

}  // namespace

const char* CommandName(Command c) { return c == Command::Save ? "save" : "flash"; }

const char* FaultKindName(FaultKind k) {
  switch (k) {
    case FaultKind::None: return "none";
    case FaultKind::Request: return "request";
    case FaultKind::Map: return "map";
    case FaultKind::StuckBusy: return "stuck-busy";
    case FaultKind::StuckCells: return "stuck-cell";
    case FaultKind::PowerCut: return "power-cut";
    case FaultKind::DiskFull: return "disk-full";
    case FaultKind::VendorTool: return "vendor-tool";
  }
  return "?";
}

const char* InvariantName(Invariant i) {
  switch (i) {
    case Invariant::NoCrash: return "no crash";
    case Invariant::AccessOff: return "access off";
    case Invariant::Reported: return "reported";
    case Invariant::TargetKept: return "target kept";
    case Invariant::ChipSafe: return "chip safe";
  }
  return "?";
}

std::string Point::Describe() const {
  std::string text = preset + " " + CommandName(command) + " " + FaultKindName(fault.kind);
  if (fault.kind == FaultKind::VendorTool) return text + " " + fault.tool.dump();
  if (fault.kind != FaultKind::None && fault.kind != FaultKind::StuckBusy)
    text += " " + std::to_string(fault.at);
  return text;
}

std::optional<Point> ParsePoint(const std::string& text) {
  std::istringstream in(text);
  Point p;
  std::string command, kind;
  if (!(in >> p.preset >> command >> kind)) return std::nullopt;
  if (command != "save" && command != "flash") return std::nullopt;
  p.command = command == "save" ? Command::Save : Command::Flash;
  const FaultKind kinds[] = {FaultKind::None,       FaultKind::Request,  FaultKind::Map,
                             FaultKind::StuckBusy,  FaultKind::StuckCells, FaultKind::PowerCut,
                             FaultKind::DiskFull,   FaultKind::VendorTool};
  const auto k = std::find_if(std::begin(kinds), std::end(kinds),
                              [&](FaultKind f) { return kind == FaultKindName(f); });
  if (k == std::end(kinds)) return std::nullopt;
  p.fault.kind = *k;
  if (p.fault.kind == FaultKind::VendorTool) {
    std::string rest;
    std::getline(in, rest);
    try {
      p.fault.tool = json::parse(rest);
    } catch (const json::exception&) {
      return std::nullopt;
    }
  } else if (p.fault.kind != FaultKind::None && p.fault.kind != FaultKind::StuckBusy) {
    if (!(in >> p.fault.at)) return std::nullopt;
  }
  return p;
}

Observation RunPoint(const Point& point) {
  Observation o;
  TempDir dir;
  sim::ScenarioRecipe recipe = sim::MaterializePreset(point.preset, dir.Path().string());
  ApplyFault(point.fault, recipe);
  const sim::AdapterRecipe& adapter = recipe.adapters.at(0);
  testimage::WriteFile(dir.File(kNewImageName), NewImage(adapter, NamingOf(point.preset)));
  if (adapter.eeprom && !adapter.eeprom->imagePath.empty())
    testimage::WriteFile(adapter.eeprom->imagePath,
                         NvidiaImage(adapter, NamingOf(point.preset), 4, 1));
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
  try {
    o.ready = program.FormCreate() == app::StartResult::Ready;
    const std::set<std::string> filesBefore = FilesIn(dir.Path());
    o.chipBefore = ChipContents(machine);
    o.requestsBefore = m.DriverRequests();
    o.mapsBefore = m.Counters().mapRequests;
    o.writesBefore = machine.Files().WritesSoFar();
    const sim::ChipCounters countersBefore = chip ? chip->Counters() : sim::ChipCounters{};
    const std::size_t eventsBefore = ui.Events().size();
    const std::size_t launchesBefore = machine.Launcher().launches.size();
    ui.GetTranscript().Clear();
    if (o.ready) RunCommand(point, machine, program, ui, dir, o);
    o.lines = ui.Lines();
    Observe(ui.Events(), eventsBefore, o);
    o.requestsAfter = m.DriverRequests();
    o.mapsAfter = m.Counters().mapRequests;
    o.writesAfter = machine.Files().WritesSoFar();
    o.failedRequests = m.Counters().failedRequests;
    o.injected = m.Injected();
    if (auto* nv = dynamic_cast<sim::NvidiaCard*>(machine.AdapterDevice(0)))
      o.promAccessOn = nv->PromAccessOn();
    o.liveMappings = m.LiveMappings();
    if (chip) {
      const sim::ChipCounters& c = chip->Counters();
      o.pageOperations = c.pageOperations - countersBefore.pageOperations;
      o.bytesProgrammed = c.bytesProgrammed - countersBefore.bytesProgrammed;
      o.chipStuck = chip->Busy() && (c.chipErases + c.programOperations + c.statusWrites >
                                            countersBefore.chipErases +
                                                countersBefore.programOperations +
                                                countersBefore.statusWrites);
      o.powerCut = chip->PowerCut();
      if (o.powerCut) machine.Files().LosePower();  // the disk keeps what was flushed before it
    }
    o.chipAfter = ChipContents(machine);
    o.target = ReadAll(dir.Path() / kTargetName);
    for (const auto& name : FilesIn(dir.Path()))
      if (!filesBefore.count(name) && name != kTargetName) o.strayFiles.push_back(name);
    // Named as the program names them, so that the restore hint's path can be looked up.
    for (const auto& name : FilesIn(backups)) {
      const std::string path = backups + kPathSeparator + name;
      if (name.ends_with(".rom"))
        o.safetyBackups[path] = ReadAll(path);
      else
        o.strayFiles.push_back(std::string(commands::kBackupFolderName) + "/" + name);
    }
    const auto& launches = machine.Launcher().launches;
    for (std::size_t i = 0; i < launches.size(); ++i) {
      o.toolLaunches.push_back(launches[i].parameters);
      if (i >= launchesBefore) o.lines.push_back("(launch) " + launches[i].parameters);
    }
    program.FormDestroy();
  } catch (const std::exception& e) {
    o.crash = e.what();
  } catch (...) {
    o.crash = "unknown exception";
  }
  return o;
}

}  // namespace rz::test::matrix
