// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli adapters, chips and info --json: the facts each lists, as text on standard output
// and, with --json, as one JSON object on standard output with the text on standard error.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>

#include "CliRunner.h"
#include "Machines.h"
#include "base/BuildConfig.h"
#include "eeprom/ChipCatalogue.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

std::string Hex(unsigned value, int digits = 4) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
  return buf;
}

Lines TextLines(const std::string& text) {
  Lines out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Standard output must be exactly one JSON object.
json ParseOut(const CliResult& r) {
  json j;
  EXPECT_NO_THROW(j = json::parse(r.out)) << r.out;
  EXPECT_TRUE(j.is_object()) << r.out;
  return j;
}

// A machine given by preset name or written as a scenario into the sandbox.
using MachineOf = std::function<std::string(CliSandbox&)>;
MachineOf Preset(const char* name) {
  return [name](CliSandbox&) { return std::string(name); };
}

// The NVIDIA board of the suite on bus 1, and an ATI board on bus 2 that RZFLASH.CFG does not list.
std::string TwoAdapters(CliSandbox& box) {
  json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, testimage::BuildImage(PresetNvidiaImage()));
  m["adapters"].push_back(json{{"bus", 2},
                               {"device", 0},
                               {"vendor_id", "0x1002"},
                               {"device_id", "0x9442"},
                               {"subsystem_vendor_id", "maker"},
                               {"subsystem_id", "0x21B8"}});
  return box.WriteScenario("two.json", m);
}

struct AdapterRow {
  unsigned bus, device, vendorId, deviceId, subsystemId;
  bool listed;
  const char* road;  // adapter 0 only
};

struct AdaptersCase {
  const char* name;
  MachineOf machine;
  int exitCode;
  bool configLoaded;
  std::vector<AdapterRow> rows;
};

class Adapters : public ::testing::TestWithParam<AdaptersCase> {};

TEST_P(Adapters, ListsEveryAdapterOfTheScanInOrder) {
  const AdaptersCase& c = GetParam();
  CliSandbox box;
  const std::string machine = c.machine(box);
  const CliResult text = box.Run({"--machine", machine, "adapters"});
  const CliResult r = box.Run({"--machine", machine, "--json", "adapters"});
  EXPECT_EQ(text.exitCode, c.exitCode) << text.err;
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  const json j = ParseOut(r);
  EXPECT_EQ(j.at("command"), "adapters");
  EXPECT_EQ(j.at("exit_code"), c.exitCode);
  EXPECT_EQ(j.at("config_loaded"), c.configLoaded);
  const json& list = j.at("adapters");
  ASSERT_EQ(list.size(), c.rows.size());
  // Each text line, the same on standard output without --json and on standard error with it.
  Lines expectedText;
  for (std::size_t i = 0; i < c.rows.size(); ++i) {
    const AdapterRow& row = c.rows[i];
    const json& a = list[i];
    EXPECT_EQ(a.at("index"), i);
    EXPECT_EQ(a.at("bus"), row.bus);
    EXPECT_EQ(a.at("device"), row.device);
    EXPECT_EQ(a.at("vendor_id"), Hex(row.vendorId));
    EXPECT_EQ(a.at("device_id"), Hex(row.deviceId));
    EXPECT_EQ(a.at("subsystem_vendor_id"), Hex(kMakerSubsystemVendorId));
    EXPECT_EQ(a.at("subsystem_id"), Hex(row.subsystemId));
    EXPECT_EQ(a.at("listed_in_config"), row.listed);
    if (i == 0) {
      EXPECT_EQ(a.at("road"), row.road);
    } else {
      EXPECT_TRUE(a.at("road").is_null());
    }
    char line[200];
    std::snprintf(line, sizeof line, "%02X:%02X  ids %s %s  subsystem %s %s  adapter %zu  %s",
                  row.bus, row.device, Hex(row.vendorId).c_str(), Hex(row.deviceId).c_str(),
                  Hex(kMakerSubsystemVendorId).c_str(), Hex(row.subsystemId).c_str(), i,
                  row.listed ? "listed in RZFLASH.CFG" : "not in RZFLASH.CFG");
    expectedText.push_back(std::string(line) + (i == 0 ? std::string("  road: ") + row.road : ""));
  }
  // Standard output holds the adapter lines and nothing else; the status goes to standard error.
  EXPECT_EQ(TextLines(text.out), expectedText) << text.out;
  for (const auto& l : expectedText) EXPECT_NE(r.err.find(l), std::string::npos) << r.err;
  // The card is not read: no label is set and the vendor tool is not started.
  EXPECT_TRUE(r.Starting("label").empty());
  EXPECT_TRUE(r.Starting("launch").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Machines, Adapters,
    ::testing::Values(
        AdaptersCase{"NvidiaSpi", Preset("nvidia-spi"), 0, true,
                     {{1, 0, 0x10DE, 0x0191, 0x34C7, true, "programmed"}}},
        AdaptersCase{"NvidiaWithoutConfig", Preset("nvidia-no-config"), 0, false,
                     {{1, 0, 0x10DE, 0x0191, 0x34C7, false, "programmed"}}},
        AdaptersCase{"Ati", Preset("ati"), 0, true,
                     {{1, 0, 0x1002, 0x9442, 0x21B8, false, "vendor tool"}}},
        AdaptersCase{"OtherVendor", Preset("other-vendor"), 0, true,
                     {{1, 0, 0x8086, 0x2E22, 0x34C7, false, "none"}}},
        AdaptersCase{"TwoAdaptersOneNotListed", TwoAdapters, 0, true,
                     {{1, 0, 0x10DE, 0x0191, 0x34C7, true, "programmed"},
                      {2, 0, 0x1002, 0x9442, 0x21B8, false, nullptr}}},
        AdaptersCase{"NoCard", Preset("no-card"), 1, true, {}}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- chips ----

struct ChipRow {
  const char* name;
  const char* interface;
  unsigned size;
  const char* algorithm;
  const char* erase;
};

TEST(Chips, ListsTheCatalogueInItsOrderWithWhatProgramsEachChip) {
  CliSandbox box;
  const CliResult text = box.Run({"chips"});
  const CliResult r = box.Run({"--json", "chips"});
  ASSERT_EQ(text.exitCode, 0);
  ASSERT_EQ(r.exitCode, 0);
  const json j = ParseOut(r);
  EXPECT_EQ(j.at("command"), "chips");
  const json& chips = j.at("chips");
  const auto catalogue = eeprom::ChipCatalogue();
  ASSERT_EQ(chips.size() + 1, catalogue.size()) << "every row but the terminating one";
  const Lines lines = TextLines(text.out);
  ASSERT_EQ(lines.size(), chips.size());
  for (std::size_t i = 0; i < chips.size(); ++i) {
    const json& c = chips[i];
    EXPECT_EQ(c.at("catalogue_text"), catalogue[i].name);
    EXPECT_EQ(c.at("manufacturer_id"), Hex(catalogue[i].manufacturerId, 2));
    EXPECT_EQ(c.at("device_id"), Hex(catalogue[i].deviceId, 2));
    const std::string name = c.at("name");
    EXPECT_EQ(std::string(catalogue[i].name).rfind(name, 0), 0u) << name;
    EXPECT_EQ(lines[i].rfind(name, 0), 0u) << lines[i];
    EXPECT_NE(lines[i].find("erase " + c.at("erase").get<std::string>()), std::string::npos);
    EXPECT_EQ(r.err.find(lines[i]) != std::string::npos, true) << "the text goes to stderr";
  }
  // The chips the emulated presets carry, one of each algorithm.
  const ChipRow expected[] = {
      {"SST 39VF010", "parallel", 0x20000, "JEDEC byte program", "JEDEC 0x80 0x10"},
      {"SST 29EE512", "parallel", 0x10000, "JEDEC page write",
       "JEDEC 0x80 0x10 (only when forced; page writes erase)"},
      {"PMC PM25LV010", "serial", 0x20000, "serial page program", "0xC7"},
      {"SST 25VF512", "serial", 0x10000, "serial auto-address-increment program", "0x60"},
      {"AT AT25F512", "serial", 0x10000, "serial page program", "0x62"},
      {"SST 45LF010", "serial", 0x20000, "serial 45-series byte program", "0x60 0xD0"},
  };
  for (const ChipRow& row : expected) {
    const auto it = std::find_if(chips.begin(), chips.end(),
                                 [&](const json& c) { return c.at("name") == row.name; });
    ASSERT_NE(it, chips.end()) << row.name;
    EXPECT_EQ(it->at("interface"), row.interface) << row.name;
    EXPECT_EQ(it->at("size"), row.size) << row.name;
    EXPECT_EQ(it->at("algorithm"), row.algorithm) << row.name;
    EXPECT_EQ(it->at("erase"), row.erase) << row.name;
  }
}

// ---- info --json ----

struct InfoJsonCase {
  const char* name;
  const char* machine;
  std::vector<std::string> answers;
  int exitCode;
  const char* road;
  std::optional<std::string> biosVersion, eepromName;  // the name without its padding
  std::optional<std::int64_t> eepromSize;
  const char* modelName;
  bool problem;
  std::optional<int> cardNumber;  // of the "$RZ" block; none without one
};

class InfoJson : public ::testing::TestWithParam<InfoJsonCase> {};

std::optional<std::string> Text(const json& v) {
  if (v.is_null()) return std::nullopt;
  return v.get<std::string>();
}

TEST_P(InfoJson, CarriesTheLabelsAndTheCard) {
  const InfoJsonCase& c = GetParam();
  CliSandbox box;
  std::vector<std::string> args{"--machine", c.machine, "--json"};
  for (const auto& a : c.answers) args.insert(args.end(), {"--answer", a});
  args.push_back("info");
  const CliResult r = box.Run(args);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  const json j = ParseOut(r);
  EXPECT_EQ(j.at("command"), "info");
  EXPECT_EQ(j.at("exit_code"), c.exitCode);
  EXPECT_EQ(j.at("road"), c.road);
  EXPECT_EQ(Text(j.at("bios_version")), c.biosVersion);
  EXPECT_EQ(Text(j.at("eeprom_name")), c.eepromName);
  EXPECT_EQ(j.at("eeprom_size").is_null() ? std::nullopt
                                           : std::optional(j.at("eeprom_size").get<std::int64_t>()),
            c.eepromSize);
  EXPECT_EQ(j.at("model_name"), c.modelName);
  EXPECT_EQ(!j.at("problem").is_null(), c.problem) << j.dump();
  if (c.cardNumber) {
    EXPECT_EQ(j.at("card_number"), *c.cardNumber);
  } else {
    EXPECT_TRUE(j.at("card_number").is_null()) << j.dump();
  }
  if (c.biosVersion) {
    EXPECT_NE(r.err.find("BIOS version: " + *c.biosVersion), std::string::npos) << r.err;
  }
  // The terminal shows the labels without the blanks that pad them.
  if (c.eepromName) {
    EXPECT_NE(r.err.find("EEPROM: " + *c.eepromName + "\n"), std::string::npos) << r.err;
  }
  if (std::string(c.machine) == "no-card") {
    EXPECT_TRUE(j.at("adapter").is_null());
  } else {
    // The adapter as `adapters` lists it, whatever road detection took.
    const json listed = ParseOut(box.Run({"--machine", c.machine, "--json", "adapters"}));
    EXPECT_EQ(j.at("adapter"), listed.at("adapters").at(0));
  }
}

// An ATI graphics chip that RZFLASH.CFG lists is listed by every command, though only the NVIDIA
// road needs the file.
TEST(InfoJsonOfAListedAtiChip, SaysItIsListedAsAdaptersDoes) {
  CliSandbox box;
  json m = AtiMachine(box, 0x21B8, testimage::BuildImage(PresetAtiImage()));
  box.WriteText("program/RZFLASH.CFG", "asic_nv 1002 9442 1 0 RV770\n");
  const std::string machine = box.WriteScenario("ati.json", m);
  const json info = ParseOut(box.Run({"--machine", machine, "--json", "info"}));
  const json listed = ParseOut(box.Run({"--machine", machine, "--json", "adapters"}));
  EXPECT_EQ(info.at("adapter").at("listed_in_config"), true) << info.dump();
  EXPECT_EQ(info.at("adapter"), listed.at("adapters").at(0));
}

INSTANTIATE_TEST_SUITE_P(
    Presets, InfoJson,
    ::testing::Values(
        InfoJsonCase{"NvidiaParallel", "nvidia-parallel", {}, 0, "programmed", "PX4R7 F4",
                     "SST 39VF010", 65536, "PX4R7", false, 0},
        InfoJsonCase{"NvidiaModelText", "nvidia-modeltext", {}, 0, "programmed", "RZ-PX4R7H F4",
                     "PMC PM25LV010", 65536, "RZ-PX4R7H", false, std::nullopt},
        InfoJsonCase{"Ati", "ati", {}, 0, "vendor tool", "RZ-HD485 F2", std::nullopt,
                     65536, "RZ-HD485", false, std::nullopt},
        InfoJsonCase{"UnknownChip", "nvidia-unknown-chip", {}, 1, "programmed", "", "",
                     std::nullopt, "PX4R7", true, 0},
        InfoJsonCase{"NoCard", "no-card", {}, 1, "none", std::nullopt, std::nullopt,
                     std::nullopt, "", true, std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace rz::e2e
