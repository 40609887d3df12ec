// SPDX-License-Identifier: GPL-3.0-or-later
// Scenario files that cannot be used end in a ScenarioError that names the key, never in a crash,
// a hang or a JSON library exception; unknown keys are warned about; persistent images that
// cannot be written back are reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/Paths.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/scenario/Presets.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"
#include "support/SpecialFiles.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Row {
  const char* name;
  std::string text;     // the scenario file
  const char* message;  // part of the error
};

std::string NvidiaWith(const std::string& eeprom) {
  return R"({"adapters": [{"eeprom": )" + eeprom + "}]}";
}
std::string AtiWith(const std::string& eeprom) {
  return R"({"adapters": [{"vendor_id": "0x1002", "eeprom": )" + eeprom + "}]}";
}
std::string Faults(const std::string& faults) { return R"({"faults": )" + faults + "}"; }
std::string Deep(std::size_t levels) {
  return R"({"name": )" + std::string(levels, '[') + std::string(levels, ']') + "}";
}

class BadScenarioFile : public ::testing::TestWithParam<Row> {};

// Every row is loaded and built as a front end does; the folder holds a FIFO named "pipe".
TEST_P(BadScenarioFile, IsAScenarioErrorNamingTheKey) {
  TempDir dir;
  const std::string text = GetParam().text;
  const bool needsPosixFiles = text.find("\"pipe\"") != std::string::npos ||
                               text.find("/dev/zero") != std::string::npos;
  if (needsPosixFiles && *kNoPipes) GTEST_SKIP() << kNoPipes << ", nor /dev/zero";
  if (needsPosixFiles) {
    ASSERT_TRUE(MakeNamedPipe(dir.File("pipe")));
  }
  dir.Write("scenario.json", GetParam().text);
  try {
    sim::EmulatedPlatform platform(sim::LoadScenarioFile(dir.File("scenario.json")));
    ADD_FAILURE() << "the scenario was accepted";
  } catch (const sim::ScenarioError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadScenarioFile,
    ::testing::Values(
        Row{"NameNumber", R"({"name": 5})", "name must be a text"},
        Row{"ProgramFolderArray", R"({"program_folder": []})", "program_folder must be a text"},
        Row{"DriverFlag", R"({"driver": true})", "driver must be a text"},
        Row{"DriverVersionNumber", R"({"display_driver_version": 8})",
            "display_driver_version must be a text"},
        Row{"WorkingDirectoryObject", R"({"working_directory": {}})",
            "working_directory must be a text"},
        Row{"ExecutableNull", R"({"executable": null})", "executable must be a text"},
        Row{"HomeNumber", R"({"home": 1})", "home must be a text"},
        Row{"DataHomeArray", R"({"data_home": []})", "data_home must be a text"},
        Row{"OsVersionText", R"({"os_version": "new"})", "os_version must be a number"},
        Row{"CalendarNumber", R"({"calendar_start": 2026})", "calendar_start must be a text"},
        Row{"CalendarDayThatIsNot", R"({"calendar_start": "2026-02-29T00:00:00"})",
            "calendar_start must be a local time"},
        Row{"ServiceFailNumber", Faults(R"({"service_fail": 3})"),
            "faults.service_fail must be an array of texts"},
        Row{"ServiceFailOfNumbers", Faults(R"({"service_fail": [1]})"),
            "faults.service_fail must be an array of texts"},
        Row{"InterruptSignalUnknown", Faults(R"({"interrupt_signal": "SIGKILL"})"),
            "faults.interrupt_signal must be SIGINT, SIGTERM, SIGHUP, SIGQUIT or SIGSTOP"},
        Row{"InterruptAfterText", Faults(R"({"interrupt_after_requests": "soon"})"),
            "faults.interrupt_after_requests"},
        Row{"InterruptAfterArrayOfObjects", Faults(R"({"interrupt_after_requests": [3, {}]})"),
            "faults.interrupt_after_requests[1]"},
        Row{"FileCreateFailNumber", Faults(R"({"file_create_fail": 7})"),
            "faults.file_create_fail must be an array of texts"},
        Row{"FileWriteFailText", Faults(R"({"file_write_fail": "a"})"),
            "faults.file_write_fail must be an array of texts"},
        Row{"FileCloseFailObject", Faults(R"({"file_close_fail": {}})"),
            "faults.file_close_fail must be an array of texts"},
        Row{"AlreadyRunningText", Faults(R"({"service_already_running": "yes"})"),
            "faults.service_already_running must be true or false"},
        Row{"LeftoverServiceNumber", Faults(R"({"leftover_service": 1})"),
            "faults.leftover_service must be true or false"},
        Row{"TempFileFailText", Faults(R"({"temp_file_fail": "x"})"),
            "faults.temp_file_fail must be true or false"},
        Row{"RenameFailNull", Faults(R"({"rename_fail": null})"),
            "faults.rename_fail must be true or false"},
        Row{"PortFailAfterObject", Faults(R"({"port_fail_after": {}})"),
            "faults.port_fail_after must be a number"},
        Row{"MapFailAfterNegative", Faults(R"({"map_fail_after": -1})"),
            "faults.map_fail_after must be a number"},
        Row{"ChipStuckBusyText", Faults(R"({"chip_stuck_busy": "yes"})"),
            "faults.chip_stuck_busy must be true or false"},
        Row{"UnknownIdsNumber", Faults(R"({"unknown_ids": 1})"),
            "faults.unknown_ids must be true or false"},
        Row{"PowerCutText", Faults(R"({"power_cut_after_bytes": "soon"})"),
            "faults.power_cut_after_bytes must be a number"},
        Row{"StuckCellOffsetFlag", Faults(R"({"stuck_cells": [{"offset": true}]})"),
            "faults.stuck_cells[0].offset must be a number"},
        Row{"AdapterNumber", R"({"adapters": [3]})", "adapters[0] must be a JSON object"},
        Row{"LoopingText", R"({"adapters": [{"looping_capabilities": "yes"}]})",
            "adapters[0].looping_capabilities must be true or false"},
        Row{"CapabilitiesText", R"({"adapters": [{"capabilities": "pcie"}]})",
            "adapters[0].capabilities must be an array"},
        Row{"CapabilityFlag", R"({"adapters": [{"capabilities": [true]}]})",
            "adapters[0].capabilities[0] must be a number"},
        Row{"BusText", R"({"adapters": [{"bus": "x"}]})", "adapters[0].bus must be a number"},
        Row{"DeviceAbove31", R"({"adapters": [{"device": 40}]})",
            "adapters[0].device must be at most 31"},
        Row{"EepromText", NvidiaWith(R"("big")"), "adapters[0].eeprom must be a JSON object"},
        Row{"ChipNumber", NvidiaWith(R"({"chip": 7})"), "adapters[0].eeprom.chip must be a text"},
        Row{"PersistText", NvidiaWith(R"({"chip": "SST 39VF010", "persist": "yes"})"),
            "adapters[0].eeprom.persist must be true or false"},
        Row{"ImageNumber", NvidiaWith(R"({"chip": "SST 39VF010", "image": 5})"),
            "adapters[0].eeprom.image must be a text"},
        Row{"TimingsArray", NvidiaWith(R"({"chip": "SST 39VF010", "timings": []})"),
            "adapters[0].eeprom.timings must be a JSON object"},
        Row{"TimingText",
            NvidiaWith(R"({"chip": "SST 39VF010", "timings": {"chip_erase_us": "slow"}})"),
            "adapters[0].eeprom.timings.chip_erase_us must be a number"},
        Row{"StrapArray", NvidiaWith(R"({"chip": "SST 39VF010", "strap": []})"),
            "adapters[0].eeprom.strap must be a number"},
        Row{"IdsText", NvidiaWith(R"({"ids": "x"})"), "adapters[0].eeprom.ids must be an array"},
        Row{"InterfaceNumber", NvidiaWith(R"({"ids": [1, 2], "interface": 3})"),
            "adapters[0].eeprom.interface must be a text"},
        Row{"OwnFaultText",
            NvidiaWith(R"({"chip": "SST 39VF010", "faults": {"unknown_ids": 1}})"),
            "adapters[0].eeprom.faults.unknown_ids must be true or false"},
        Row{"ImageEmpty", NvidiaWith(R"({"chip": "SST 39VF010", "image": ""})"),
            "adapters[0].eeprom.image must name a file"},
        Row{"ImageFolder", NvidiaWith(R"({"chip": "SST 39VF010", "image": "."})"),
            "is a folder"},
        Row{"ImageDevZero", NvidiaWith(R"({"chip": "SST 39VF010", "image": "/dev/zero"})"),
            "/dev/zero is not a regular file"},
        Row{"ImageFifo", NvidiaWith(R"({"chip": "SST 39VF010", "image": "pipe"})"),
            "pipe is not a regular file"},
        Row{"AtiPersistText", AtiWith(R"({"persist": "yes"})"),
            "adapters[0].eeprom.persist must be true or false"},
        Row{"AtiSizeText", AtiWith(R"({"size": "big"})"),
            "adapters[0].eeprom.size must be a number"},
        Row{"AtiImageArray", AtiWith(R"({"image": []})"),
            "adapters[0].eeprom.image must be a text"},
        Row{"AtiImageEmpty", AtiWith(R"({"image": ""})"),
            "adapters[0].eeprom.image must name a file"},
        Row{"AtiImageFolder", AtiWith(R"({"image": "."})"), "is a folder"},
        Row{"AtiImageDevZero", AtiWith(R"({"image": "/dev/zero"})"),
            "/dev/zero is not a regular file"},
        Row{"AtiImageFifo", AtiWith(R"({"image": "pipe"})"), "pipe is not a regular file"},
        Row{"FactoryBiosText", NvidiaWith(R"({"chip": "SST 39VF010", "factory_bios": "F4"})"),
            "adapters[0].eeprom.factory_bios must be a JSON object"},
        Row{"FactoryBiosEmpty", AtiWith(R"({"factory_bios": {}})"),
            "adapters[0].eeprom.factory_bios needs either block or model_text"},
        Row{"FactoryBiosBoth",
            AtiWith(R"({"factory_bios": {"block": "F4", "model_text": "RZ-A/F4"}})"),
            "factory_bios needs either block or model_text"},
        Row{"FactoryBlockNoNumber", AtiWith(R"({"factory_bios": {"block": "F"}})"),
            "adapters[0].eeprom.factory_bios.block must be a letter and a number"},
        Row{"FactoryBlockTooLarge", AtiWith(R"({"factory_bios": {"block": "F256"}})"),
            "factory_bios.block must be a letter and a number up to 255"},
        Row{"FactorySeedText", AtiWith(R"({"factory_bios": {"block": "F4", "seed": "x"}})"),
            "adapters[0].eeprom.factory_bios.seed must be a number"},
        Row{"TwoAdaptersOneSlot",
            R"({"adapters": [{"bus": 1, "device": 0}, {"bus": 1, "device": 0}]})",
            "two adapters at bus 1 device 0"},
        Row{"MillionLevelsDeep", Deep(1000000), "nested deeper than 64 levels"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ScenarioFile, AFolderOrAPipeIsAScenarioError) {
  TempDir dir;
  std::vector<std::string> paths{dir.Path().string()};
  if (MakeNamedPipe(dir.File("pipe.json")))  // nobody writes to it: it may not be waited on
    paths.push_back(dir.File("pipe.json"));
  for (const std::string& path : paths)
    EXPECT_THROW(sim::LoadScenarioFile(path), sim::ScenarioError) << path;
}

// The program folder of a scenario is the folder of the program's own path, on every system: the
// program takes its folder as the part of its path up to the last separator.
TEST(ScenarioFile, ProgramFolderIsTheFolderOfTheExecutable) {
  TempDir dir;
  for (const char* folder : {"program", "program/", "."}) {
    const auto recipe = sim::ParseScenario(json{{"program_folder", folder}}, dir.Path().string());
    EXPECT_EQ(FolderOf(recipe.programFolder + recipe.executableName), recipe.programFolder) << folder;
    EXPECT_EQ(recipe.programFolder.back(), kPathSeparator) << folder;
  }
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(ScenarioWarnings, NameEveryUnknownKeyAndNoValidOne) {
  TempDir dir;
  // Every key the emulator reads, and three misspelt ones.
  const json scenario = json::parse(R"({
    "name": "all keys", "program_folder": "p", "working_directory": ".", "executable": "x",
    "display_driver_version": "1.0", "os_version": 5, "driver": "ok", "vendor_tool": "ok",
    "calendar_start": "2030-01-01T00:00:00",
    "fualts": {},
    "faults": {"port_fail_after": 9, "map_fail_after": 9, "request_fail_at": 9,
               "disk_full_at_write": 9, "service_fail": [],
               "service_already_running": false, "leftover_service": false,
               "file_create_fail": [], "file_write_fail": [], "file_close_fail": [],
               "temp_file_fail": false, "rename_fail": false, "chip_stuck_busy": false,
               "unknown_ids": false, "power_cut_after_bytes": 9, "power_cut_after_pages": 9,
               "stuck_cells": [{"offset": 1, "count": 2, "cuont": 2}, {"from": 9}]},
    "adapters": [
      {"bus": 1, "device": 0, "vendor_id": "0x10DE", "device_id": 1, "subsystem_vendor_id": "maker",
       "subsystem_id": 1, "class": 1, "revision": 1, "capabilities": ["pcie", 1],
       "looping_capabilities": false, "bar0": 0,
       "eeprom": {"chip": "SST 39VF010", "image": "a.rom", "persit": true, "strap": 0,
                  "timings": {"byte_program_us": 1, "page_write_us": 1, "page_load_window_us": 1,
                              "page_program_us": 1, "status_write_us": 1, "chip_erase_us": 1},
                  "faults": {"chip_stuck_busy": false}}},
      {"bus": 2, "eeprom": {"ids": [1, 2], "interface": "spi", "size": 65536}},
      {"bus": 3, "vendor_id": "0x1002",
       "eeprom": {"image": "a.rom", "persist": true, "size": 4096}}]
  })");
  const auto s = sim::ParseScenario(scenario, dir.Path().string());
  EXPECT_EQ(Sorted(s.warnings), Sorted({"ignoring unknown key fualts",
                                        "ignoring unknown key adapters[0].eeprom.persit",
                                        "ignoring unknown key faults.stuck_cells[0].cuont"}));
}

TEST(ScenarioWarnings, NoneForAnyPreset) {
  for (const auto& preset : sim::ListPresets()) {
    TempDir dir;
    EXPECT_EQ(sim::MaterializePreset(preset.name, dir.Path().string()).warnings,
              std::vector<std::string>{})
        << preset.name;
  }
}

// A longer image fills the chip with its head; written back it would lose its tail, so a
// persistent chip refuses it.
TEST(ScenarioImages, LongerImageFillsTheChipButIsNotWrittenBackShorter) {
  TempDir dir;
  std::string bytes(0x20000, '\x5A');
  bytes[0xFFFF] = 0x01;
  dir.Write("big.rom", bytes);
  const auto scenario = [&](bool persist) {
    json adapter = Adapter(1, 0, 0x10DE, 0x0191);
    adapter["eeprom"] = {{"chip", "SST 39VF512"}, {"image", "big.rom"}, {"persist", persist}};
    return sim::ParseScenario(json{{"adapters", {adapter}}}, dir.Path().string());
  };
  {
    sim::EmulatedPlatform p(scenario(false));
    const auto chip = dynamic_cast<sim::NvidiaCard&>(*p.AdapterDevice(0)).Chip()->Contents();
    ASSERT_EQ(chip.size(), 0x10000u);
    EXPECT_TRUE(std::equal(chip.begin(), chip.end(), bytes.begin(), [](std::uint8_t a, char b) {
      return a == static_cast<std::uint8_t>(b);
    }));
  }
  try {
    sim::EmulatedPlatform p(scenario(true));
    ADD_FAILURE() << "a persistent chip took a longer image";
  } catch (const sim::ScenarioError& e) {
    EXPECT_NE(std::string(e.what()).find("larger than the 65536 bytes"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(fs::file_size(dir.File("big.rom")), bytes.size());
}

TEST(ScenarioMachine, AddDeviceRefusesATakenSlot) {
  sim::Machine m;
  sim::PciDevice& first = m.AddDevice(1, 0, std::make_unique<sim::PciDevice>(sim::PciIdentity{}));
  EXPECT_THROW(m.AddDevice(1, 0, std::make_unique<sim::PciDevice>(sim::PciIdentity{})),
               std::logic_error);
  EXPECT_EQ(m.DeviceAt(1, 0), &first);
}

// The image's folder disappears, or the image becomes a folder, before the run ends: Finish()
// names the image, and no temporary file is left beside it.
TEST(ScenarioWriteBack, FailureIsReportedAndLeavesNoTemporaryFile) {
  const std::pair<const char*, void (*)(const fs::path&)> sabotages[] = {
      {"folder removed", [](const fs::path& folder) { fs::remove_all(folder); }},
      {"image became a folder",
       [](const fs::path& folder) {
         fs::remove(folder / "card.rom");
         fs::create_directories(folder / "card.rom" / "inside");
       }},
  };
  for (const bool ati : {false, true}) {
    for (const auto& [name, sabotage] : sabotages) {
      SCOPED_TRACE(std::string(ati ? "ATI, " : "NVIDIA, ") + name);
      TempDir dir;
      fs::create_directory(dir.Path() / "keep");
      dir.Write("keep/card.rom", std::string(0x10000, '\x11'));
      json adapter = ati ? Adapter(1, 0, 0x1002, 0x9442) : Adapter(1, 0, 0x10DE, 0x0191);
      adapter["eeprom"] = {{"image", "keep/card.rom"}, {"persist", true}};
      if (!ati) adapter["eeprom"]["chip"] = "SST 39VF512";
      sim::EmulatedPlatform p(
          sim::ParseScenario(json{{"adapters", {adapter}}}, dir.Path().string()));
      sabotage(dir.Path() / "keep");
      try {
        p.Finish();
        ADD_FAILURE() << "the write-back failure was not reported";
      } catch (const sim::ScenarioError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot write the EEPROM image back to " +
                                             dir.File("keep/card.rom")),
                  std::string::npos)
            << e.what();
      }
      if (fs::exists(dir.Path() / "keep")) {
        std::vector<std::string> entries;
        for (const auto& entry : fs::directory_iterator(dir.Path() / "keep"))
          entries.push_back(entry.path().filename().string());
        EXPECT_EQ(entries, std::vector<std::string>{"card.rom"});
      }
    }
  }
}

}  // namespace
}  // namespace rz::test
