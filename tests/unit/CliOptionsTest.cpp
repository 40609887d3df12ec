// What the end of a run reads from a command line that may not parse: whether --json is asked for
// (as an option, not as another option's value) and which command is named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Options.h"

namespace rz::test {
namespace {

using cli::Command;

cli::JsonRequest Scan(std::vector<std::string> words) {
  words.insert(words.begin(), "rzflash-cli");
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  return cli::ScanForJson(static_cast<int>(argv.size()), argv.data());
}

struct ScanCase {
  std::vector<std::string> words;
  bool json;
  Command command;
};

TEST(CliOptions, ScanForJsonFindsTheOptionAndTheCommandOfAnyCommandLine) {
  const ScanCase cases[] = {
      {{"--json", "info"}, true, Command::Info},
      {{"verify", "", "--json"}, true, Command::Verify},
      {{"--json"}, true, Command::None},
      {{"--json", "frobnicate", "info"}, true, Command::Info},  // the first word naming one
      {{"info", "adapters", "--json"}, true, Command::Info},
      {{"--transcript", "--json", "info"}, false, Command::Info},  // a value, not the option
      {{"--machine", "info", "--json", "chips"}, true, Command::Chips},
      {{"--answer", "--json"}, false, Command::None},
      {{"--help", "--json"}, true, Command::Help},
      {{"--json", "--version"}, true, Command::Version},
      {{"save", "x.rom"}, false, Command::Save},
      {{"--machine"}, false, Command::None},
  };
  for (const ScanCase& c : cases) {
    const auto r = Scan(c.words);
    EXPECT_EQ(r.json, c.json) << ::testing::PrintToString(c.words);
    EXPECT_EQ(r.command, c.command) << ::testing::PrintToString(c.words);
  }
}

TEST(CliOptions, EveryCommandHasItsName) {
  const std::pair<Command, const char*> names[] = {
      {Command::None, ""},          {Command::Info, "info"},   {Command::Save, "save"},
      {Command::Flash, "flash"},    {Command::Verify, "verify"}, {Command::Adapters, "adapters"},
      {Command::Chips, "chips"},    {Command::Machines, "machines"}, {Command::Help, "help"},
      {Command::Version, "version"}};
  for (const auto& [command, name] : names) EXPECT_STREQ(cli::CommandName(command), name);
}

// "help" and "version" are options on the command line, not command words.
TEST(CliOptions, HelpAndVersionAreNoCommandWords) {
  for (const char* word : {"help", "version"}) {
    std::string program = "rzflash-cli", w = word;
    char* argv[] = {program.data(), w.data()};
    std::string error;
    EXPECT_FALSE(cli::ParseOptions(2, argv, error));
    EXPECT_EQ(error, std::string("unknown command or option: ") + word);
  }
}

}  // namespace
}  // namespace rz::test
