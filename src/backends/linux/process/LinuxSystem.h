// SPDX-License-Identifier: GPL-3.0-or-later
// Process facilities on Linux: executable path from /proc/self/exe, the machine's single-instance
// lock (RunLock.h), sleep, working directory, a private scratch directory for the run, the OS code
// and standard output.
#pragma once
#include <memory>
#include <string>

#include "backends/linux/broker/RunLock.h"
#include "host/RunFolder.h"
#include "platform/System.h"

namespace rz::platform {

struct LinuxSystemOptions {
  // The machine's single-instance lock file, opened directly by root's program.
  std::string lockFile = kRunLockPath;
  // Folder the scratch directory is made in; empty: $TMPDIR, else /tmp.
  std::string tempDirectory;
  // The run's access helper, which opens the lock file for an ordinary user's program; null:
  // the file is opened directly.
  AccessSession* helper = nullptr;
};

class LinuxSystem final : public System {
 public:
  explicit LinuxSystem(LinuxSystemOptions options = {});
  ~LinuxSystem() override;
  LinuxSystem(const LinuxSystem&) = delete;
  LinuxSystem& operator=(const LinuxSystem&) = delete;

  std::string ExecutablePath() override;
  // Takes the machine's lock, held until ReleaseSingleInstance or the end of the process; the name
  // does not matter (one lock for every program of the machine). When the lock cannot be had at
  // all no other instance is reported, and Lock() says that the run holds none.
  bool AnotherInstanceRunning(const std::string& name) override;
  void ReleaseSingleInstance() override;
  void Sleep(std::uint32_t milliseconds) override;
  std::string GetCurrentDirectory() override;
  bool SetCurrentDirectory(const std::string& path) override;
  // Made once with mkdtemp (mode 0700); removed with its content when this object goes.
  std::string ScratchDirectory() override;
  // 0x20010064 (a 64-bit system) on 64-bit builds, else 0.
  std::uint32_t GetOSVer() override;
  LocalTime Now() override;
  void WriteStdoutLine(const std::string& line) override;
  // $HOME (else the account's home from the password database); $XDG_DATA_HOME, else
  // <home>/.local/share. Relative values in the environment are ignored, as the XDG rules say.
  UserFolders GetUserFolders() override;

  const RunLock& Lock() const { return lock_; }

 private:
  LinuxSystemOptions options_;
  RunLock lock_;
  std::unique_ptr<RunFolder> scratchFolder_;
  std::string scratch_;
};

}  // namespace rz::platform
