// SPDX-License-Identifier: GPL-3.0-or-later
// Programs a test starts: its own command line, standard output and error caught in files, and
// environment variables set for the programs it starts.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "host/PrivateFolder.h"
#include "host/windows/OwnedHandles.h"

namespace rz::test {

struct ChildResult {
  bool started = false;
  std::uint32_t exitCode = 0;
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  // Starts `commandLine` (the program's path first, quoted; UTF-8) with standard input from the
  // null device, in `folder` (empty: this process's current folder).
  explicit ChildProcess(const std::string& commandLine, const std::string& folder = {});
  // The same with the command line as the system takes it (it may hold what UTF-8 cannot).
  ChildProcess(const std::wstring& commandLine, const std::string& folder);
  bool Started() const { return static_cast<bool>(process_); }
  HANDLE Process() const { return process_.get(); }
  // Waits for its end and reads what it wrote.
  ChildResult Wait();

 private:
  platform::PrivateFolder output_{"rz-child-"};
  platform::win::OwnedHandle process_;
};

// Runs a program to its end.
ChildResult RunChild(const std::string& commandLine, const std::string& folder = {});

// `name` set to `value` (nullopt: removed; UTF-8) in this process's environment, which the
// programs it starts inherit, until this goes.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::optional<std::string>& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Set(const std::optional<std::string>& value);
  std::string name_;
  std::optional<std::string> before_;
};

// `path` in double quotes, for a command line.
std::string Quoted(const std::string& path);

}  // namespace rz::test
