// SPDX-License-Identifier: GPL-3.0-or-later
// The vendor flash tool's fixed command lines as the access helper knows them: the program names
// one of them and the adapter number (0 or 1), never a path or an argument of its own. The tool
// is the one in the installed data folder, below it at kToolInDataFolder.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz::platform {

inline constexpr const char* kToolInDataFolder = "tool/ATIWinflash";

enum class ToolCommand {
  Backup,  // -s N Backup.rom -quiet (start-up)
  Save,    // -s N Save.bin -quiet (save command, safety backup)
  Flash,   // -p N Flash.bin -f -quiet
  Verify,  // -s N Verify.bin -quiet (read-back after the flash)
};

struct ToolRequest {
  ToolCommand command = ToolCommand::Save;
  int adapter = 0;
};

// The word that names the command in a request ("backup", "save", "flash", "verify").
const char* ToolCommandName(ToolCommand command);
std::optional<ToolCommand> FindToolCommand(std::string_view name);

// The tool's arguments (argv[1]...) for the command on `adapter`.
std::vector<std::string> ToolArguments(ToolCommand command, int adapter);

// The request that the words of a launch's parameter text stand for; none when they are not
// exactly one of the fixed command lines with adapter 0 or 1.
std::optional<ToolRequest> ToolRequestFor(const std::vector<std::string>& words);

// The adapter number of a request word ("0" or "1"); none otherwise.
std::optional<int> ToolAdapter(std::string_view word);

}  // namespace rz::platform
