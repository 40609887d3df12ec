// Process facilities on Linux: executable path from /proc/self/exe, a single-instance lock on a
// file named after the executable in the runtime directory, sleep, working directory, a private
// scratch directory for the run, the OS code and standard output.
#pragma once
#include <memory>
#include <string>

#include "platform/RunFolder.h"
#include "platform/System.h"

namespace rz::platform {

struct LinuxSystemOptions {
  // Folder of the single-instance lock files; empty: $XDG_RUNTIME_DIR, else /run/lock.
  std::string lockDirectory;
  // Folder the scratch directory is made in; empty: $TMPDIR, else /tmp.
  std::string tempDirectory;
};

class LinuxSystem final : public System {
 public:
  explicit LinuxSystem(LinuxSystemOptions options = {});
  ~LinuxSystem() override;
  LinuxSystem(const LinuxSystem&) = delete;
  LinuxSystem& operator=(const LinuxSystem&) = delete;

  std::string ExecutablePath() override;
  // Takes an exclusive flock on <lock directory>/<name>.lock, held (file kept open) until
  // ReleaseSingleInstance or the end of the process. When the lock file cannot be made at all the
  // test cannot be done and no other instance is reported. An empty name takes no lock.
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

  // Where the lock file for `name` lies.
  std::string LockFilePath(const std::string& name) const;

 private:
  LinuxSystemOptions options_;
  int lockFd_ = -1;
  std::unique_ptr<RunFolder> scratchFolder_;
  std::string scratch_;
};

}  // namespace rz::platform
