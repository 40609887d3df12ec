// SPDX-License-Identifier: GPL-3.0-or-later
// Process-level facilities: executable path, single-instance lock, sleep, working directory,
// the system's version code, and the program's one line of standard output.
#pragma once
#include <cstdint>
#include <string>

namespace rz::platform {

// A moment of the local calendar, to the second.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The folders of the person running the program, absolute, without a trailing separator; empty
// where the system names none.
struct UserFolders {
  std::string home;      // where the open and save dialogs of an installed program start
  std::string dataHome;  // the base folder of per-user program data ($XDG_DATA_HOME on Linux)
};

class System {
 public:
  virtual ~System() = default;

  // Full path of the running executable; empty when it cannot be read.
  virtual std::string ExecutablePath() = 0;

  // Single-instance test: true when another instance holding `name` runs. Otherwise takes the
  // lock, which is held until ReleaseSingleInstance or the end of the process. The lock reaches as
  // far as one card can be reached from: every user of the machine (a Windows mutex of the global
  // namespace, the Linux machine's lock file), the persisted card image on the emulated machine.
  // A lock that cannot be had at all is not another instance; a backend whose card must not be
  // reached without it then refuses the driver bring-up.
  virtual bool AnotherInstanceRunning(const std::string& name) = 0;
  virtual void ReleaseSingleInstance() = 0;

  virtual void Sleep(std::uint32_t milliseconds) = 0;

  virtual std::string GetCurrentDirectory() = 0;
  virtual bool SetCurrentDirectory(const std::string& path) = 0;

  // Where the program keeps its extracted image file (the Windows directory on Windows; a
  // private directory made for this run elsewhere). Empty when none could be had.
  virtual std::string ScratchDirectory() = 0;

  // The maker's OS version code; 0x20010064 and 0x20070002 denote 64-bit systems.
  virtual std::uint32_t GetOSVer() = 0;

  // The local date and time now (stamps the names of safety backups).
  virtual LocalTime Now() = 0;

  // One line to standard output.
  virtual void WriteStdoutLine(const std::string& line) = 0;

  // The user's home and data folders (used only when the program's own folder cannot hold what
  // the program writes).
  virtual UserFolders GetUserFolders() = 0;
};

}  // namespace rz::platform
