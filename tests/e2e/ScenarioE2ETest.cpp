// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli on scenario files it cannot use: a message on standard error and exit status 2,
// never a crash; unknown keys are warned about and the run goes on.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

struct BadFile {
  const char* name;
  const char* text;   // the scenario file
  const char* error;  // in standard error
};

class BadScenarioFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadScenarioFile, EndsWithStatusTwoAndAMessage) {
  CliSandbox box;
  box.WriteText("scenario.json", GetParam().text);
  const CliResult r = box.Run({"--machine", "scenario.json", "info"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err.rfind("rzflash-cli: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(GetParam().error), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadScenarioFile,
    ::testing::Values(
        BadFile{"WrongType", R"({"faults": {"service_fail": 3}})",
                "faults.service_fail must be an array of texts"},
        BadFile{"TwoAdaptersOneSlot", R"({"adapters": [{"device": 2}, {"device": 2}]})",
                "two adapters at bus 1 device 2"},
        BadFile{"ImageIsAFolder",
                R"({"adapters": [{"eeprom": {"chip": "SST 39VF010", "image": "."}}]})",
                "is a folder"},
        // The chip starts erased (its image does not exist yet) and cannot be written back.
        BadFile{"WriteBackFails",
                R"({"adapters": [{"eeprom": {"chip": "SST 39VF010", "image": "gone/card.rom",
                                             "persist": true}}]})",
                "cannot write the EEPROM image back to "}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ScenarioWarnings, UnknownKeysAreNamedAndTheRunGoesOn) {
  CliSandbox box;
  json m = NvidiaMachine(box, "PMC PM25LV010", 0x34C7, testimage::BuildImage(PresetNvidiaImage()),
                         json{{"persit", true}});
  m["fualts"] = json::object();
  box.WriteScenario("typo.json", m);
  const CliResult r = box.Run({"--machine", "typo.json", "info"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err,
            "rzflash-cli: warning: ignoring unknown key adapters[0].eeprom.persit\n"
            "rzflash-cli: warning: ignoring unknown key fualts\n");
  const CliResult preset = box.Run({"--machine", "nvidia-spi", "info"});
  EXPECT_EQ(preset.exitCode, 0);
  EXPECT_EQ(preset.err.find("warning"), std::string::npos) << preset.err;
}

}  // namespace
}  // namespace rz::e2e
