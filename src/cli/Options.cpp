// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Options.h"

#include <cstring>

namespace rz::cli {

const char* const kUsage =
    "usage: rzflash-cli [--machine PRESET|FILE.json] [--answer yes|no]... [--transcript FILE] "
    "[--json] [--adapter BB:DD] COMMAND\n"
    "commands:\n"
    "  info          detect the card and show its BIOS version and EEPROM\n"
    "  adapters      list the display adapters found, adapter 0 first (the card)\n"
    "  chips         list the EEPROM chips the program knows\n"
    "  save FILE     back the card's BIOS up into FILE\n"
    "  verify FILE   compare the card's BIOS with the image in FILE; nothing is written\n"
    "  flash FILE    flash the BIOS image FILE into the card (a stock BIOS offer is declined)\n"
    "  flash --stock flash the stock BIOS offered for this board\n"
    "  recover FILE  flash the BIOS image FILE into a card that lost its BIOS (adapters marks it\n"
    "                \"needs recovery\"); FILE must be an intact image for its graphics chip\n"
    "  inspect FILE  show the images, version, SHA-256 and fitting boards of the BIOS file FILE;\n"
    "                needs no card and reads nothing else but RZFLASH.CFG\n"
    "  machines      list the emulated machines (presets)\n"
    "  history       list every save and flash this program recorded (no card needed)\n"
    "options:\n"
    "  --machine    run on an emulated machine instead of this computer's hardware; a preset\n"
    "               starts afresh in a temporary folder each run (its backups vanish at the\n"
    "               end), a scenario file keeps its program folder's files\n"
    "  --answer     answer the next yes/no question (repeat for later questions)\n"
    "  --transcript write one line per event the user sees to FILE\n"
    "  --json       info, adapters, chips, verify, inspect, history, save, flash, recover: one\n"
    "               JSON object on standard output (save, flash and recover: with the copies\n"
    "               kept and their SHA-256), the text on standard error\n"
    "  --adapter    info, save, verify, flash, recover: work on the adapter at bus address\n"
    "               BB:DD (as adapters shows it) in adapter 0's place; save, verify, flash and\n"
    "               recover need it when several adapters are found\n"
    "  --help, --version\n"
    "exit status: 0 done (verify: the card holds the image), 1 failed or differs, 2 usage,\n"
    "  3 no access to the hardware, 130 stopped after a flash that was asked to stop\n";

bool TakesJson(Command c) {
  return c == Command::Info || c == Command::Adapters || c == Command::Chips ||
         c == Command::Verify || c == Command::Inspect || c == Command::History ||
         c == Command::Save || c == Command::Flash || c == Command::Recover;
}

bool TakesAdapter(Command c) {
  return c == Command::Info || c == Command::Save || c == Command::Verify || c == Command::Flash ||
         c == Command::Recover;
}

namespace {

struct NamedCommand {
  const char* word;
  Command command;
};
constexpr NamedCommand kCommands[] = {
    {"info", Command::Info},         {"machines", Command::Machines}, {"adapters", Command::Adapters},
    {"chips", Command::Chips},       {"save", Command::Save},         {"flash", Command::Flash},
    {"verify", Command::Verify},     {"history", Command::History},   {"help", Command::Help},
    {"version", Command::Version},   {"inspect", Command::Inspect},   {"recover", Command::Recover}};

// The command a word names on the command line; None for "help" and "version", which are
// options there.
Command CommandOfWord(const std::string& word) {
  for (const NamedCommand& c : kCommands)
    if (word == c.word && c.command != Command::Help && c.command != Command::Version)
      return c.command;
  return Command::None;
}

bool NeedsFile(Command c) {
  return c == Command::Save || c == Command::Flash || c == Command::Verify ||
         c == Command::Inspect || c == Command::Recover;
}

// Options followed by a value.
bool TakesValue(const std::string& option) {
  return option == "--machine" || option == "--answer" || option == "--transcript" ||
         option == "--adapter";
}

}  // namespace

const char* CommandName(Command c) {
  for (const NamedCommand& n : kCommands)
    if (n.command == c) return n.word;
  return "";
}

JsonRequest ScanForJson(int argc, char** argv) {
  JsonRequest r;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (TakesValue(a)) {
      ++i;
    } else if (a == "--json") {
      r.json = true;
    } else if (a == "--help" || a == "-h" || a == "--version") {
      if (r.command == Command::None) r.command = a == "--version" ? Command::Version : Command::Help;
    } else if (r.command == Command::None) {
      r.command = CommandOfWord(a);
    }
  }
  return r;
}

namespace {

// What one step of the parse did with an argument.
enum class Step { Taken, Failed, NotMine };

// --machine, --answer, --transcript and --adapter with the value that follows them (`i` moves
// past it).
Step TakeValueOption(const std::string& a, int argc, char** argv, int& i, Options& o,
                     std::string& error) {
  if (!TakesValue(a)) return Step::NotMine;
  if (i + 1 >= argc) {
    error = a + " needs a value";
    return Step::Failed;
  }
  const std::string v = argv[++i];
  if (a == "--machine") {
    o.machine = v;
  } else if (a == "--transcript") {
    o.transcript = v;
  } else if (a == "--adapter") {
    o.adapter = app::ParseBusAddress(v);
    if (!o.adapter) {
      error = "--adapter takes a bus address BB:DD as adapters shows it, such as 01:00 (or "
              "lspci's 01:00.0)";
      return Step::Failed;
    }
  } else if (v != "yes" && v != "no") {
    error = "--answer takes yes or no";
    return Step::Failed;
  } else {
    o.answers.push_back(v == "yes");
  }
  return Step::Taken;
}

// A word that is no option: the command first, then the FILE of a command that takes one.
bool TakeWord(const std::string& a, Options& o, bool& haveFile, std::string& error) {
  if (o.command == Command::None) {
    o.command = CommandOfWord(a);
    if (o.command != Command::None) return true;
    error = "unknown command or option: " + a;
    return false;
  }
  if (NeedsFile(o.command) && !haveFile && a.rfind("--", 0) != 0) {
    o.file = a;
    haveFile = true;
    return true;
  }
  error = "unexpected argument: " + a;
  return false;
}

// The checks of the whole command line, once every argument is taken.
bool CheckCombination(const Options& o, bool haveFile, std::string& error) {
  if (o.command == Command::None)
    error = "no command given";
  else if (o.stock && o.command != Command::Flash)
    error = "--stock goes with flash only";
  else if (o.stock && haveFile)
    error = "flash --stock flashes the stock BIOS; it takes no FILE";
  else if (NeedsFile(o.command) && !haveFile && !o.stock)
    error = std::string(CommandName(o.command)) + " needs a value";
  else if (o.adapter && !TakesAdapter(o.command))
    error = "--adapter goes with info, save, verify, flash and recover";
  else if (o.json && !TakesJson(o.command))
    error = "--json goes with info, adapters, chips, verify, inspect, history, save, flash and recover";
  else
    return true;
  return false;
}

}  // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h" || a == "--version") {
      o.command = a == "--version" ? Command::Version : Command::Help;
      return o;
    }
    const Step step = TakeValueOption(a, argc, argv, i, o, error);
    if (step == Step::Failed) return std::nullopt;
    if (step == Step::Taken) continue;
    if (a == "--json")
      o.json = true;
    else if (a == "--stock")
      o.stock = true;
    else if (!TakeWord(a, o, haveFile, error))
      return std::nullopt;
  }
  if (!CheckCombination(o, haveFile, error)) return std::nullopt;
  return o;
}

}  // namespace rz::cli
