#include "cli/Options.h"

#include <cstring>

namespace rz::cli {

const char* const kUsage =
    "usage: rzflash-cli [--machine PRESET|FILE.json] [--answer yes|no]... [--transcript FILE] "
    "COMMAND\n"
    "commands:\n"
    "  info         detect the card and show its BIOS version and EEPROM\n"
    "  save FILE    back the card's BIOS up into FILE\n"
    "  flash FILE   flash the BIOS image FILE into the card\n"
    "  machines     list the emulated machines (presets)\n"
    "options:\n"
    "  --machine    run on an emulated machine instead of this computer's hardware\n"
    "  --answer     answer the next yes/no question (repeat for later questions)\n"
    "  --transcript write one line per event the user sees to FILE\n"
    "  --help, --version\n";

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* what) -> std::optional<std::string> {
      if (i + 1 >= argc) {
        error = std::string(what) + " needs a value";
        return std::nullopt;
      }
      return std::string(argv[++i]);
    };
    if (a == "--help" || a == "-h") {
      o.command = Command::Help;
      return o;
    }
    if (a == "--version") {
      o.command = Command::Version;
      return o;
    }
    if (a == "--machine") {
      auto v = value("--machine");
      if (!v) return std::nullopt;
      o.machine = *v;
    } else if (a == "--answer") {
      auto v = value("--answer");
      if (!v) return std::nullopt;
      if (*v != "yes" && *v != "no") {
        error = "--answer takes yes or no";
        return std::nullopt;
      }
      o.answers.push_back(*v == "yes");
    } else if (a == "--transcript") {
      auto v = value("--transcript");
      if (!v) return std::nullopt;
      o.transcript = *v;
    } else if (o.command == Command::None) {
      if (a == "info") o.command = Command::Info;
      else if (a == "machines") o.command = Command::Machines;
      else if (a == "save" || a == "flash") {
        auto v = value(a.c_str());
        if (!v) return std::nullopt;
        o.command = a == "save" ? Command::Save : Command::Flash;
        o.file = *v;
      } else {
        error = "unknown command or option: " + a;
        return std::nullopt;
      }
    } else {
      error = "unexpected argument: " + a;
      return std::nullopt;
    }
  }
  if (o.command == Command::None) {
    error = "no command given";
    return std::nullopt;
  }
  return o;
}

}  // namespace rz::cli
