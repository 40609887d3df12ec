// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FaultScenario.h"

#include <filesystem>

#include "sim/devices/AtiCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "sim/seams/VendorToolBehaviour.h"

namespace rz::test::matrix {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Length in 512-byte units of the NVIDIA cards' BIOS and of the new image: 4 KiB, 16 to 32 pages.
// The presets' own 64 KiB BIOS is read whole at every start-up and save, which would make each
// run sixteen times dearer.
constexpr std::uint8_t kImageUnits = 0x08;

// The stock BIOS files the preset offers its board.
std::vector<std::string> StockFiles(const std::string& programFolder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(programFolder) / "BIOS Files", ec))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
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
  auto& eeprom = recipe.adapters.at(0).eeprom;
  sim::ChipFaults* chip = eeprom ? &eeprom->faults : nullptr;
  switch (f.kind) {
    case FaultKind::None: break;
    case FaultKind::Request: recipe.faults.requestFailAt = f.at; break;
    case FaultKind::Map: recipe.faults.mapFailAfter = f.at; break;
    case FaultKind::DiskFull: recipe.faults.diskFullAtWrite = f.at; break;
    case FaultKind::FileCall: recipe.faults.fileCallFailAt = f.at; break;
    case FaultKind::VendorTool:
      recipe.vendorTool =
          sim::ParseVendorToolBehaviour(json{{"launch", f.at}, {"as", f.tool}}, "vendor_tool");
      break;
    case FaultKind::StuckBusy:
      if (chip) chip->stuckBusy = true;
      break;
    case FaultKind::StuckCells:
      if (chip) chip->stuckCells = {{static_cast<std::uint32_t>(f.at), static_cast<std::uint32_t>(f.at)}};
      break;
    case FaultKind::PowerCut:
      if (!chip) break;
      (eeprom->model.pageSize > 1 ? chip->powerCutAfterPages : chip->powerCutAfterBytes) = f.at;
      break;
  }
}

}  // namespace

sim::ScenarioRecipe PrepareScenario(const Point& point, const TempDir& dir) {
  sim::ScenarioRecipe recipe = sim::MaterializePreset(point.preset, dir.Path().string());
  ApplyFault(point.fault, recipe);
  if (point.second) ApplyFault(*point.second, recipe);
  const sim::AdapterRecipe& adapter = recipe.adapters.at(0);
  testimage::WriteFile(dir.File(kNewImageName), NewImage(adapter, NamingOf(point.preset)));
  if (adapter.eeprom && !adapter.eeprom->imagePath.empty()) {
    testimage::WriteFile(adapter.eeprom->imagePath,
                         NvidiaImage(adapter, NamingOf(point.preset), 4, 1));
    fs::copy_file(adapter.eeprom->imagePath, dir.File(kCardImageName));
  }
  if (!adapter.atiEeprom.imagePath.empty())
    fs::copy_file(adapter.atiEeprom.imagePath, dir.File(kCardImageName));
  // The stock BIOS files the board is offered, short like the rest: "STEM.EXT" names the model
  // text "RZ-STEM/EXT".
  for (const auto& name : StockFiles(recipe.programFolder)) {
    testimage::ImageRecipe stock;
    stock.deviceId = adapter.deviceId;
    stock.subsystemId = adapter.subsystemId;
    stock.seed = 7;
    stock.lengthByte = kImageUnits;
    const fs::path file(name);
    stock.modelText = "RZ-" + file.stem().string() + "/" + file.extension().string().substr(1);
    testimage::WriteFile((fs::path(recipe.programFolder) / "BIOS Files" / name).string(),
                         testimage::BuildImage(stock));
  }
  return recipe;
}

}  // namespace rz::test::matrix
