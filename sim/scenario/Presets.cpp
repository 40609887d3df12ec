// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/Presets.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "base/BuildConfig.h"
#include "base/Utf8Path.h"
#include "sim/images/TestImage.h"
#include "sim/seams/EmulatedVendorTool.h"

namespace rz::sim {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void WriteImage(const fs::path& path, const testimage::ImageRecipe& recipe) {
  fs::create_directories(path.parent_path());
  testimage::WriteFile(Utf8FromPath(path), testimage::BuildImage(recipe));
}

// The program folder's configuration file listing the emulated cards' graphics chips.
const char* kPresetConfig =
    "; graphics chips of the emulated cards\n"
    "asic_nv 10de 191 1 0 G80\n"
    "asic_nv2 10de 400 0 1 1 0 1 0 0 1 0 G84\n";

// What a preset's NVIDIA card carries in its EEPROM.
enum class NvidiaBios { Block, ModelText, NoMaker };

struct NvidiaPreset {
  const char* chip;            // emulated chip (leading words of its catalogue name)
  std::uint16_t deviceId;
  std::uint16_t subsystemId;
  NvidiaBios bios;
  bool config = true;          // RZFLASH.CFG in the program folder
  bool unknownIds = false;     // the chip answers ids nobody knows
};

testimage::ImageRecipe CardImage(const NvidiaPreset& p) {
  testimage::ImageRecipe image;
  image.deviceId = p.deviceId;
  image.subsystemId = p.subsystemId;
  if (p.bios == NvidiaBios::Block) image.block = testimage::RzBlockRecipe{};
  if (p.bios == NvidiaBios::ModelText) image.modelText = "RZ-PX4R7H/F4";
  return image;
}

// An NVIDIA board whose EEPROM contents persist in "nvidia-card.rom" beside the program folder.
json NvidiaMachine(const fs::path& folder, const NvidiaPreset& p) {
  if (p.config) WriteText(folder / "program" / "RZFLASH.CFG", kPresetConfig);
  WriteImage(folder / "nvidia-card.rom", CardImage(p));
  if (p.subsystemId == 0x34C8) {
    // The stock BIOS files offered for this board.
    testimage::ImageRecipe stock = CardImage(p);
    stock.modelText = "RZ-PX4R7H/F4_C";
    stock.seed = 7;
    WriteImage(folder / "program" / "BIOS Files" / "PX4R7H.F4_C", stock);
    stock.modelText = "RZ-PX4R7H/F12_C";
    WriteImage(folder / "program" / "BIOS Files" / "PX4R7H.F12_C", stock);
  }
  json eeprom{{"chip", p.chip}, {"image", "nvidia-card.rom"}, {"persist", true}};
  if (p.unknownIds) eeprom["faults"] = {{"unknown_ids", true}};
  json adapter{{"bus", 1},
               {"device", 0},
               {"vendor_id", 0x10DE},
               {"device_id", p.deviceId},
               {"subsystem_vendor_id", "maker"},
               {"subsystem_id", p.subsystemId},
               {"eeprom", eeprom}};
  return json{{"program_folder", "program"}, {"adapters", json::array({adapter})}};
}

struct AtiPreset {
  std::uint16_t deviceId;
  std::uint16_t subsystemId;
  const char* driverVersion;
};

// An ATI board of the maker whose BIOS the emulated vendor tool keeps in "ati-card.rom", beside
// the placeholder of the tool in the program folder.
json AtiMachine(const fs::path& folder, const AtiPreset& p) {
  WriteText(folder / "program" / "RZFLASH.CFG", kPresetConfig);
  WriteText(folder / "program" / kEmulatedToolRelativePath, "emulated vendor flash tool\n");
  testimage::ImageRecipe image;
  image.vendorId = 0x1002;
  image.deviceId = p.deviceId;
  image.subsystemId = p.subsystemId;
  image.modelText = "RZ-HD485/F2";
  image.atom = testimage::AtomRecipe{};
  WriteImage(folder / "ati-card.rom", image);
  json adapter{{"bus", 1},
               {"device", 0},
               {"vendor_id", 0x1002},
               {"device_id", p.deviceId},
               {"subsystem_vendor_id", "maker"},
               {"subsystem_id", p.subsystemId},
               {"eeprom", {{"image", "ati-card.rom"}, {"persist", true}}}};
  return json{{"program_folder", "program"},
              {"display_driver_version", p.driverVersion},
              {"vendor_tool", "ok"},
              {"adapters", json::array({adapter})}};
}

struct Preset {
  std::string description;
  std::function<json(const fs::path&)> build;
};

Preset Nvidia(std::string description, NvidiaPreset p) {
  return {std::move(description), [p](const fs::path& f) { return NvidiaMachine(f, p); }};
}

Preset Ati(std::string description, AtiPreset p) {
  return {std::move(description), [p](const fs::path& f) { return AtiMachine(f, p); }};
}

const std::map<std::string, Preset>& Table() {
  static const std::map<std::string, Preset> presets = {
      {"nvidia-parallel", Nvidia("NVIDIA board with a parallel SST 39VF010 EEPROM and a $RZ block",
                                 {"SST 39VF010", 0x0191, 0x34C7, NvidiaBios::Block})},
      {"nvidia-spi", Nvidia("NVIDIA board with a serial PMC PM25LV010 EEPROM and a $RZ block",
                            {"PMC PM25LV010", 0x0191, 0x34C7, NvidiaBios::Block})},
      {"nvidia-sst25", Nvidia("NVIDIA board with a serial SST 25VF512 (auto-address-increment)",
                              {"SST 25VF512", 0x0400, 0x34C7, NvidiaBios::Block})},
      {"nvidia-at25", Nvidia("NVIDIA board with a serial AT AT25F512 EEPROM",
                             {"AT AT25F512", 0x0191, 0x34C7, NvidiaBios::Block})},
      {"nvidia-sst45", Nvidia("NVIDIA board with a serial SST 45LF010 EEPROM",
                              {"SST 45LF010", 0x0191, 0x34C7, NvidiaBios::Block})},
      {"nvidia-modeltext",
       Nvidia("NVIDIA board 0x34C8 whose BIOS has the model text RZ-PX4R7H/F4; stock BIOS offered",
              {"PMC PM25LV010", 0x0191, 0x34C8, NvidiaBios::ModelText})},
      {"nvidia-nomaker", Nvidia("NVIDIA board whose BIOS has neither a $RZ block nor a model text",
                                {"PMC PM25LV010", 0x0191, 0x34C7, NvidiaBios::NoMaker})},
      {"nvidia-unknown-chip", Nvidia("NVIDIA board whose EEPROM answers ids nobody knows",
                                     {"PMC PM25LV010", 0x0191, 0x34C7, NvidiaBios::Block, true, true})},
      {"nvidia-no-config", Nvidia("NVIDIA board, but no RZFLASH.CFG beside the program",
                                  {"PMC PM25LV010", 0x0191, 0x34C7, NvidiaBios::Block, false})},
      {"ati", Ati("ATI board 0x9442/0x21B8 of the maker, display driver 8.542.0.0",
                  {0x9442, 0x21B8, "8.542.0.0"})},
      {"ati-old-driver", Ati("ATI board 0x9442/0x21B8 of the maker, display driver 8.54.0.0",
                             {0x9442, 0x21B8, "8.54.0.0"})},
      {"ati-old-series", Ati("ATI board with device id 0x7280, a series the tool does not support",
                             {0x7280, 0x21B8, "8.542.0.0"})},
      {"no-card",
       {"a machine without any display adapter of the maker or ATI",
        [](const fs::path& folder) {
          WriteText(folder / "program" / "RZFLASH.CFG", kPresetConfig);
          return json{{"program_folder", "program"}, {"adapters", json::array()}};
        }}},
      {"other-vendor",
       {"a board of the maker with a graphics chip of neither NVIDIA nor ATI",
        [](const fs::path& folder) {
          WriteText(folder / "program" / "RZFLASH.CFG", kPresetConfig);
          json adapter{{"bus", 1},          {"device", 0},
                       {"vendor_id", 0x8086}, {"device_id", 0x2E22},
                       {"subsystem_vendor_id", "maker"}, {"subsystem_id", 0x34C7}};
          return json{{"program_folder", "program"}, {"adapters", json::array({adapter})}};
        }}},
  };
  return presets;
}

}  // namespace

std::vector<PresetInfo> ListPresets() {
  std::vector<PresetInfo> out;
  for (const auto& [name, p] : Table()) out.push_back({name, p.description});
  return out;
}

bool IsPreset(const std::string& name) { return Table().count(name) != 0; }

ScenarioRecipe MaterializePreset(const std::string& name, const std::string& folder) {
  const auto it = Table().find(name);
  if (it == Table().end()) throw ScenarioError("unknown machine preset: " + name);
  json d = it->second.build(PathFromUtf8(folder));
  d["name"] = name;
  if (!d.contains("working_directory")) d["working_directory"] = ".";
  return ParseScenario(d, folder);
}

}  // namespace rz::sim
