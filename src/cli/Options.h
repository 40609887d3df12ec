// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of rzflash-cli.
#pragma once
#include <deque>
#include <optional>
#include <string>

#include "app/AdapterChoice.h"

namespace rz::cli {

enum class Command {
  None, Info, Save, Flash, Verify, Adapters, Chips, Machines, History, Help, Version, Inspect,
  Recover
};

struct Options {
  std::optional<std::string> machine;  // preset name or scenario file; none: the real platform
  std::deque<bool> answers;
  std::optional<std::string> transcript;
  Command command = Command::None;
  std::string file;   // save FILE, flash FILE, verify FILE, inspect FILE, recover FILE
  bool json = false;  // one JSON object on standard output, the text on standard error
  bool stock = false; // flash: take the stock BIOS offer instead of a file
  std::optional<app::BusAddress> adapter;  // --adapter: the card to work on instead of adapter 0
};

// Whether --adapter may go with this command.
bool TakesAdapter(Command command);

// Whether --json may go with this command.
bool TakesJson(Command command);

// The command's name on the command line ("info", "save", ...; "help" and "version" for the
// options that stand for a command); "" for none.
const char* CommandName(Command command);

// What the end of a run needs to know from a command line that may not parse: whether --json is
// among its options (not as the value of another option) and the first word naming a command.
struct JsonRequest {
  bool json = false;
  Command command = Command::None;
};
JsonRequest ScanForJson(int argc, char** argv);

// Parses argv; returns nullopt and sets `error` on a usage error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

extern const char* const kUsage;

}  // namespace rz::cli
