// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli's command line: usage errors end with status 2 before anything runs (no transcript;
// with --json among the options only the JSON object on standard output), help and version with
// status 0.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"

namespace rz::e2e {
namespace {

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* error;  // in standard error
};

class UsageError : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageError, EndsWithStatusTwoBeforeAnythingRuns) {
  CliSandbox box;
  box.WriteText("bad.json", "{\"adapters\": 3");
  box.WriteText("wrong.json", "{\"adapters\": 3}");
  const CliResult r = box.Run(GetParam().args);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find(GetParam().error), std::string::npos) << r.err;
  EXPECT_TRUE(r.lines.empty()) << ::testing::PrintToString(r.lines);
  const auto& args = GetParam().args;
  if (std::find(args.begin(), args.end(), "--json") == args.end()) {
    EXPECT_TRUE(r.out.empty()) << r.out;
  } else {
    const auto object = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(object.is_object()) << r.out;
    EXPECT_EQ(object.at("exit_code"), 2);
    EXPECT_NE(object.at("problem").get<std::string>().find(GetParam().error), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, UsageError,
    ::testing::Values(
        UsageCase{"NoCommand", {}, "no command given"},
        UsageCase{"UnknownCommand", {"frobnicate"}, "unknown command or option: frobnicate"},
        UsageCase{"SaveWithoutFile", {"save"}, "save needs a value"},
        UsageCase{"FlashWithoutFile", {"flash"}, "flash needs a value"},
        UsageCase{"AnswerNeitherYesNorNo", {"--answer", "maybe", "info"}, "--answer takes yes or no"},
        UsageCase{"MachineWithoutValue", {"info", "--machine"}, "--machine needs a value"},
        UsageCase{"TwoCommands", {"info", "machines"}, "unexpected argument: machines"},
        UsageCase{"VerifyWithoutFile", {"verify"}, "verify needs a value"},
        UsageCase{"StockWithAFile", {"flash", "--stock", "x.rom"}, "it takes no FILE"},
        UsageCase{"StockWithoutFlash", {"--stock", "info"}, "--stock goes with flash only"},
        UsageCase{"JsonWithMachines", {"--json", "machines"},
                  "--json goes with info, adapters, chips, verify, inspect, history, save, flash and recover"},
        UsageCase{"AdapterWithoutValue", {"info", "--adapter"}, "--adapter needs a value"},
        UsageCase{"AdapterOfOneDigitBus", {"--adapter", "1:00", "info"},
                  "--adapter takes a bus address BB:DD as adapters shows it, such as 01:00"},
        UsageCase{"AdapterOfFunctionOne", {"--json", "--adapter", "01:00.1", "save", "x.rom"},
                  "--adapter takes a bus address BB:DD"},
        UsageCase{"AdapterWithAdapters", {"--adapter", "01:00", "adapters"},
                  "--adapter goes with info, save, verify, flash and recover"},
        UsageCase{"AdapterWithChips", {"--json", "chips", "--adapter", "0a:00"},
                  "--adapter goes with info, save, verify, flash and recover"},
        UsageCase{"UnknownMachine", {"--machine", "no-such-machine", "info"}, "no-such-machine"},
        UsageCase{"ScenarioNotJson", {"--machine", "bad.json", "info"}, "bad.json"},
        UsageCase{"ScenarioOfWrongShape", {"--machine", "wrong.json", "info"}, "adapters"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Usage, HelpAndVersionSucceed) {
  CliSandbox box;
  const CliResult help = box.Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: rzflash-cli"), std::string::npos);
  for (const char* line :
       {"flash FILE", "flash --stock", "verify FILE", "adapters", "chips", "--json", "--adapter"})
    EXPECT_NE(help.out.find(line), std::string::npos) << line;
  const CliResult version = box.Run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("rzflash-cli ", 0), 0u) << version.out;
  EXPECT_NE(version.out.find("License GPL-3.0-or-later"), std::string::npos) << version.out;
}

}  // namespace
}  // namespace rz::e2e
