// SPDX-License-Identifier: GPL-3.0-or-later
// Process facilities on Windows: the module path, the single-instance named mutex, Sleep, the
// current folder, a private scratch folder for the run, the maker's OS code, standard output.
#pragma once
#include <memory>
#include <string>

#include "host/RunFolder.h"
#include "host/windows/OwnedHandles.h"
#include "platform/System.h"

namespace rz::platform {

struct WindowsSystemOptions {
  // Folder of the maker's library VUDAVAREZ.DLL, with its trailing separator; empty: the folder
  // of the running program.
  std::string libraryFolder;
  // Folder the scratch folder is made in; empty: the system's temporary folder.
  std::string tempRoot;
};

class WindowsSystem final : public System {
 public:
  explicit WindowsSystem(WindowsSystemOptions options = {});
  ~WindowsSystem() override;
  WindowsSystem(const WindowsSystem&) = delete;
  WindowsSystem& operator=(const WindowsSystem&) = delete;

  // GetModuleFileNameW, read whole however long it is, in UTF-8; empty when UTF-8 cannot carry it.
  std::string ExecutablePath() override;
  // OpenMutexA(MUTEX_ALL_ACCESS) of "Global\<name>", a name of the whole machine, so that the
  // programs of every session (another user's, a service's) see each other: when it opens,
  // another instance holds it. Otherwise CreateMutexA (default security, not owned); should that
  // find the name taken after all (the other instance made it in between), or be refused it (a
  // mutex of another user's that this one may not open), that too is another instance. The
  // handle is kept until ReleaseSingleInstance or the end of the process.
  bool AnotherInstanceRunning(const std::string& name) override;
  void ReleaseSingleInstance() override;
  void Sleep(std::uint32_t milliseconds) override;
  // In UTF-8; empty when it cannot be read or UTF-8 cannot carry it.
  std::string GetCurrentDirectory() override;
  bool SetCurrentDirectory(const std::string& path) override;
  // A folder only this user can open, made under the temporary folder at the first call and
  // removed with its content when this object goes. Never the Windows folder, where any program
  // could have put the file the program extracts.
  std::string ScratchDirectory() override;
  // GetOSVer of VUDAVAREZ.DLL in the library folder; without it a code that tells a 64-bit
  // system (0x20010064) from a 32-bit one (0).
  std::uint32_t GetOSVer() override;
  LocalTime Now() override;
  void WriteStdoutLine(const std::string& line) override;
  // None: on Windows the program's folder holds everything it reads and writes.
  UserFolders GetUserFolders() override { return {}; }

 private:
  WindowsSystemOptions options_;
  win::OwnedHandle instance_;
  std::unique_ptr<RunFolder> scratch_;  // a killed run's is cleared by the next run
};

}  // namespace rz::platform
