// SPDX-License-Identifier: GPL-3.0-or-later
// ATIWinflash stand-in for tests. Answers the two command lines the program uses:
//   -s N FILE -quiet        saves the card's BIOS into FILE
//   -p N FILE -f -quiet     programs FILE into the card
// FILE is taken in the current folder. The card is the image file named by RZ_STANDIN_IMAGE; it is
// adapter number RZ_STANDIN_ADAPTER (default 0), and a command for another number fails. After a
// successful operation the tool exits with RZ_STANDIN_EXIT (default 0); a failed operation ends
// with 1 and a command line it does not know with 2. Each start appends one line to the file
// named by RZ_STANDIN_LOG, when that is set: the current folder, then every argument, each
// preceded by '|'. When FILE is the name RZ_STANDIN_HOLD_FILE gives, the tool stops before its
// work until the test lets it go on: it makes the file RZ_STANDIN_HOLD + ".running" and waits for
// RZ_STANDIN_HOLD + ".go" to appear (a test's process signals it, so nothing races on a delay).
// Every text (arguments, variables, the log) is UTF-8; on Windows the tool reads them in UTF-16.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "base/Utf8Path.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadCommand = 2;
// A test that never lets the tool go on has gone: the tool gives up rather than stay forever.
constexpr auto kHoldGivesUpAfter = std::chrono::minutes(10);

using rz::PathFromUtf8;
using rz::Utf8FromPath;

std::string Environment(const char* name) {
#ifdef _WIN32
  const wchar_t* value = ::_wgetenv(PathFromUtf8(name).c_str());
  return value ? Utf8FromPath(value) : "";
#else
  const char* value = std::getenv(name);
  return value ? value : "";
#endif
}

int EnvironmentNumber(const char* name, int fallback) {
  const std::string text = Environment(name);
  return text.empty() ? fallback : std::atoi(text.c_str());
}

std::string CurrentFolder() {
  std::error_code ec;
  const auto folder = std::filesystem::current_path(ec);
  return ec ? std::string() : Utf8FromPath(folder);
}

void Log(const std::vector<std::string>& args) {
  const std::string logPath = Environment("RZ_STANDIN_LOG");
  if (logPath.empty()) return;
  std::string line = CurrentFolder();
  for (const auto& a : args) line += "|" + a;
  line += "\n";
  std::ofstream(PathFromUtf8(logPath), std::ios::binary | std::ios::app) << line;
}

// Stops while a test holds this command; false when the test never let it go on.
bool WaitWhileHeld(const std::string& file) {
  const std::string hold = Environment("RZ_STANDIN_HOLD");
  if (hold.empty() || file != Environment("RZ_STANDIN_HOLD_FILE")) return true;
  std::ofstream(PathFromUtf8(hold + ".running"), std::ios::binary);
  const auto until = std::chrono::steady_clock::now() + kHoldGivesUpAfter;
  std::error_code ec;
  while (!std::filesystem::exists(PathFromUtf8(hold + ".go"), ec)) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool CopyWhole(const std::string& from, const std::string& to) {
  std::ifstream in(PathFromUtf8(from), std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  if (in.bad()) return false;
  std::ofstream out(PathFromUtf8(to), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8FromPath(argv[i]));
#else
int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
#endif
  Log(args);
  const bool save = args.size() == 4 && args[0] == "-s" && args[3] == "-quiet";
  const bool program =
      args.size() == 5 && args[0] == "-p" && args[3] == "-f" && args[4] == "-quiet";
  if (!save && !program) return kBadCommand;
  if (args[1] != std::to_string(EnvironmentNumber("RZ_STANDIN_ADAPTER", 0))) return kFailed;
  const std::string card = Environment("RZ_STANDIN_IMAGE");
  if (card.empty() || !WaitWhileHeld(args[2])) return kFailed;
  const bool done = save ? CopyWhole(card, args[2]) : CopyWhole(args[2], card);
  return done ? EnvironmentNumber("RZ_STANDIN_EXIT", 0) : kFailed;
}
