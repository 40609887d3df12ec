// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/ToolCommands.h"

#include <array>

namespace rz::platform {
namespace {

struct CommandLine {
  ToolCommand command;
  const char* name;
  const char* verb;  // "-s" or "-p"
  const char* file;
  bool force;  // "-f" after the file
};

constexpr std::array<CommandLine, 4> kCommandLines{{
    {ToolCommand::Backup, "backup", "-s", "Backup.rom", false},
    {ToolCommand::Save, "save", "-s", "Save.bin", false},
    {ToolCommand::Flash, "flash", "-p", "Flash.bin", true},
    {ToolCommand::Verify, "verify", "-s", "Verify.bin", false},
}};

const CommandLine& LineOf(ToolCommand command) {
  for (const auto& line : kCommandLines)
    if (line.command == command) return line;
  return kCommandLines[1];
}

}  // namespace

const char* ToolCommandName(ToolCommand command) { return LineOf(command).name; }

std::optional<ToolCommand> FindToolCommand(std::string_view name) {
  for (const auto& line : kCommandLines)
    if (name == line.name) return line.command;
  return std::nullopt;
}

std::optional<int> ToolAdapter(std::string_view word) {
  if (word == "0") return 0;
  if (word == "1") return 1;
  return std::nullopt;
}

std::vector<std::string> ToolArguments(ToolCommand command, int adapter) {
  const CommandLine& line = LineOf(command);
  std::vector<std::string> args{line.verb, std::to_string(adapter), line.file};
  if (line.force) args.emplace_back("-f");
  args.emplace_back("-quiet");
  return args;
}

std::optional<ToolRequest> ToolRequestFor(const std::vector<std::string>& words) {
  if (words.size() < 2) return std::nullopt;
  const auto adapter = ToolAdapter(words[1]);
  if (!adapter) return std::nullopt;
  for (const auto& line : kCommandLines)
    if (words == ToolArguments(line.command, *adapter)) return ToolRequest{line.command, *adapter};
  return std::nullopt;
}

}  // namespace rz::platform
