// SPDX-License-Identifier: GPL-3.0-or-later
#include "Machines.h"

namespace rz::e2e {

using nlohmann::json;

namespace {
const char* const kConfig =
    "asic_nv 10de 191 1 0 G80\n"
    "asic_nv2 10de 400 0 1 1 0 1 0 0 1 0 G84\n";
}  // namespace

testimage::ImageRecipe PresetNvidiaImage() {
  testimage::ImageRecipe s;
  s.deviceId = 0x0191;
  s.subsystemId = 0x34C7;
  s.block = testimage::RzBlockRecipe{};
  return s;
}

testimage::ImageRecipe PresetAtiImage() { return AtiImage(0x21B8, "RZ-HD485/F2"); }

testimage::ImageRecipe AtiImage(std::uint16_t subsystemId, const std::string& modelText) {
  testimage::ImageRecipe s;
  s.vendorId = 0x1002;
  s.deviceId = 0x9442;
  s.subsystemId = subsystemId;
  s.modelText = modelText;
  s.atom = testimage::AtomRecipe{};
  return s;
}

json NvidiaMachine(const CliSandbox& box, const std::string& chip, std::uint16_t subsystemId,
                   const std::vector<std::uint8_t>& image, const json& eeprom) {
  box.WriteText("program/RZFLASH.CFG", kConfig);
  box.Write("card.rom", image);
  json e{{"chip", chip}, {"image", "card.rom"}, {"persist", true}};
  e.update(eeprom);
  json adapter{{"bus", 1},
               {"device", 0},
               {"vendor_id", "0x10DE"},
               {"device_id", "0x0191"},
               {"subsystem_vendor_id", "maker"},
               {"subsystem_id", subsystemId},
               {"eeprom", e}};
  return json{{"program_folder", "program"},
              {"working_directory", "."},
              {"adapters", json::array({adapter})}};
}

json AtiMachine(const CliSandbox& box, std::uint16_t subsystemId,
                const std::vector<std::uint8_t>& image, std::optional<std::string> driverVersion,
                const json& vendorTool) {
  box.WriteText("program/RZFLASH.CFG", kConfig);
  box.WriteText(std::string("program/") + kToolFile, "emulated vendor flash tool\n");
  box.Write("ati-card.rom", image);
  json adapter{{"bus", 1},
               {"device", 0},
               {"vendor_id", "0x1002"},
               {"device_id", "0x9442"},
               {"subsystem_vendor_id", "maker"},
               {"subsystem_id", subsystemId},
               {"eeprom", {{"image", "ati-card.rom"}, {"persist", true}}}};
  json m{{"program_folder", "program"},
         {"working_directory", "."},
         {"vendor_tool", vendorTool},
         {"adapters", json::array({adapter})}};
  if (driverVersion) m["display_driver_version"] = *driverVersion;
  return m;
}

std::string LaunchPrefix(const std::string& folderTag) {
  return "launch \"" + folderTag + "/program/" + kToolFile + "\" \"";
}

std::string Launch(const std::string& folderTag, const std::string& args) {
  return LaunchPrefix(folderTag) + args + "\"";
}

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Lines After(const Lines& lines, const std::string& prefix) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return Lines(lines.begin() + static_cast<long>(i) + 1, lines.end());
  return {};
}

}  // namespace rz::e2e
