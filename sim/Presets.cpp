#include "sim/Presets.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "base/BuildConfig.h"
#include "sim/EmulatedVendorTool.h"
#include "testimage/TestImage.h"

namespace rz::sim {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Preset {
  const char* description;
  std::function<json(const fs::path& folder)> build;  // writes files, returns the description
};

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// The program folder's configuration file listing the emulated cards' chips.
const char* kPresetConfig =
    "; chips of the emulated cards\n"
    "asic_nv 10de 191 1 0 G80\n"
    "asic_nv2 10de 400 0 1 1 0 1 0 0 1 0 G84\n";

json NvidiaAdapter(std::uint16_t deviceId, std::uint16_t subsystemId) {
  return json{{"bus", 1},          {"device", 0},
              {"vendor_id", 0x10DE}, {"device_id", deviceId},
              {"subsystem_vendor_id", "maker"}, {"subsystem_id", subsystemId}};
}

// An NVIDIA board of the maker with a serial EEPROM holding a BIOS with a "$RZ" block; the chip's
// contents persist in "nvidia-card.rom", so a flash is seen by the next run.
json NvidiaSpiMachine(const fs::path& folder) {
  WriteText(folder / "program" / "RZFLASH.CFG", kPresetConfig);
  testimage::ImageSpec image;
  image.block = testimage::RzBlockSpec{};
  testimage::WriteFile((folder / "nvidia-card.rom").string(), testimage::BuildImage(image));
  json adapter = NvidiaAdapter(0x0191, 0x34C8);
  adapter["eeprom"] = {{"chip", "PMC PM25LV010"}, {"image", "nvidia-card.rom"}, {"persist", true}};
  return json{{"program_folder", "program"}, {"adapters", json::array({adapter})}};
}

// An ATI board of the maker whose BIOS the emulated vendor tool keeps in "ati-card.rom", beside
// the placeholder of the tool in the program folder.
json AtiMachine(const fs::path& folder) {
  WriteText(folder / "program" / "RZFLASH.CFG", kPresetConfig);
  WriteText(folder / "program" / kEmulatedToolRelativePath, "emulated vendor flash tool\n");
  testimage::ImageSpec image;
  image.vendorId = 0x1002;
  image.deviceId = 0x9442;
  image.subsystemId = 0x21B8;
  image.modelText = "RZ-HD485/F2";
  image.atom = testimage::AtomSpec{};
  testimage::WriteFile((folder / "ati-card.rom").string(), testimage::BuildImage(image));
  json adapter{{"bus", 1},          {"device", 0},
               {"vendor_id", 0x1002}, {"device_id", 0x9442},
               {"subsystem_vendor_id", "maker"}, {"subsystem_id", 0x21B8},
               {"eeprom", {{"image", "ati-card.rom"}, {"persist", true}}}};
  return json{{"program_folder", "program"},
              {"display_driver_version", "8.592.0.0"},
              {"vendor_tool", "ok"},
              {"adapters", json::array({adapter})}};
}

const std::map<std::string, Preset>& Table() {
  static const std::map<std::string, Preset> presets = {
      {"nvidia-spi", {"NVIDIA card of the maker with a serial PMC PM25LV010 EEPROM", NvidiaSpiMachine}},
      {"ati", {"ATI card of the maker, flashed through the emulated vendor tool", AtiMachine}},
      {"no-card",
       {"a machine without any display adapter of the maker or ATI",
        [](const fs::path& folder) {
          WriteText(folder / "program" / "RZFLASH.CFG", kPresetConfig);
          return json{{"program_folder", "program"}, {"adapters", json::array()}};
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

ScenarioSpec MaterializePreset(const std::string& name, const std::string& folder) {
  const auto it = Table().find(name);
  if (it == Table().end()) throw ScenarioError("unknown machine preset: " + name);
  json d = it->second.build(folder);
  d["name"] = name;
  if (!d.contains("working_directory")) d["working_directory"] = ".";
  return ParseScenario(d, folder);
}

}  // namespace rz::sim
