// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli --json: every run ends in one JSON object on standard output, also a run that
// fails before its command (a usage error, an empty file name, a scenario that cannot be read, a
// temporary folder that is not one) or after it (a transcript that cannot be written): it names
// the command, the problem (null when there is none) and the exit status.
#include <gtest/gtest.h>

#include <optional>

#include "ChildProcess.h"
#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

struct JsonEndCase {
  const char* name;
  std::vector<std::string> args;  // "m.json" names the scenario file `scenario`
  const char* command;
  int exitCode;
  const char* problem;  // part of the problem text; null: the problem is null
  const char* scenario = "{}";
};

class JsonEnd : public ::testing::TestWithParam<JsonEndCase> {};

void ExpectOneObject(const std::string& out, const JsonEndCase& c, int exitCode) {
  json j;
  ASSERT_NO_THROW(j = json::parse(out)) << "standard output: " << out;
  ASSERT_TRUE(j.is_object()) << out;
  EXPECT_EQ(exitCode, c.exitCode);
  EXPECT_EQ(j.at("command"), c.command);
  EXPECT_EQ(j.at("exit_code"), exitCode);
  if (c.problem) {
    ASSERT_TRUE(j.at("problem").is_string()) << out;
    EXPECT_NE(j.at("problem").get<std::string>().find(c.problem), std::string::npos) << out;
  } else {
    EXPECT_TRUE(j.at("problem").is_null()) << out;
  }
}

TEST_P(JsonEnd, IsOneObjectWithTheCommandTheProblemAndTheStatus) {
  const JsonEndCase& c = GetParam();
  CliSandbox box;
  box.WriteText("m.json", c.scenario);
  const CliResult r = box.Run(c.args);
  ExpectOneObject(r.out, c, r.exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, JsonEnd,
    ::testing::Values(
        JsonEndCase{"EmptyVerifyFile", {"--json", "--machine", "nvidia-spi", "verify", ""},
                    "verify", 1, "verify needs a file name"},
        JsonEndCase{"ScenarioThatIsNotThere", {"--json", "--machine", "missing.json", "info"},
                    "info", 2,
                    "no preset or scenario file named missing.json exists; the presets are: ati, "},
        JsonEndCase{"NoCommand", {"--json"}, "", 2, "no command given"},
        JsonEndCase{"UnknownCommand", {"--json", "frobnicate"}, "", 2,
                    "unknown command or option: frobnicate"},
        JsonEndCase{"ExtraArgument", {"--json", "info", "extra"}, "info", 2,
                    "unexpected argument: extra"},
        JsonEndCase{"OptionWithoutValue", {"--json", "--machine"}, "", 2,
                    "--machine needs a value"},
        JsonEndCase{"CommandWithoutJson", {"machines", "--json"}, "machines", 2,
                    "--json goes with info, adapters, chips, verify, inspect, history, save, flash and recover"},
        JsonEndCase{"HelpAsked", {"--help", "--json"}, "help", 0, nullptr},
        JsonEndCase{"TranscriptThatCannotBeWritten",
                    {"--json", "--machine", "nvidia-spi", "--transcript", "missing/t.txt", "info"},
                    "info", 1, "cannot write the transcript missing/t.txt"},
        JsonEndCase{"NoAdapter", {"--json", "--machine", "no-card", "adapters"}, "adapters", 1,
                    "no display adapter"},
        JsonEndCase{"Chips", {"--json", "chips"}, "chips", 0, nullptr},
        JsonEndCase{"Info", {"--json", "--machine", "nvidia-spi", "info"}, "info", 0, nullptr},
        JsonEndCase{"ScenarioThatCannotBeUsed", {"--json", "--machine", "m.json", "info"}, "info",
                    2, "driver must be", R"({"driver": "broken"})"},
        JsonEndCase{"NoDriver", {"--json", "--machine", "m.json", "info"}, "info", 3,
                    "Initialize DODozori Fail!!!", R"({"driver": "missing"})"}),
    [](const auto& row) { return std::string(row.param.name); });

// Without --json standard output carries no object, whatever the failure.
TEST(JsonEndOfAMachine, IsNotWrittenWithoutJson) {
  CliSandbox box;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--machine", "nvidia-spi", "verify", ""},
        std::vector<std::string>{"frobnicate"}, std::vector<std::string>{"--transcript", "--json"}}) {
    const CliResult r = box.Run(args);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;
  }
}

#ifndef _WIN32
// A temporary folder that is not one is found before anything runs.
TEST(JsonEndOfAMachine, NamesATemporaryFolderThatIsNotOne) {
  CliSandbox box;
  const int status = RunChild(
      "/bin/sh",
      {"-c", "TMPDIR=/nonexistent/folder exec \"$0\" \"$@\"", RZFLASH_CLI_PATH, "--json",
       "--machine", "nvidia-spi", "info"},
      box.Dir(), box.Path("out.txt"), box.Path("err.txt"));
  const auto out = box.Read("out.txt");
  ExpectOneObject(std::string(out.begin(), out.end()),
                  JsonEndCase{"", {}, "info", 1, "no temporary folder can be made"}, status);
}
#endif

}  // namespace
}  // namespace rz::e2e
