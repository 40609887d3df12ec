// SPDX-License-Identifier: GPL-3.0-or-later
// A private folder that says it is in use for as long as the run that made it lives: the run
// holds a lock on a file inside it. A run that is killed cannot remove its folder, so each new
// run first removes the folders of the same prefix whose lock nobody holds any more.
#pragma once
#include <cstdint>
#include <string>

#include "host/PrivateFolder.h"

namespace rz::platform {

// Name of the lock file inside a run folder.
inline constexpr const char* kRunFolderLockName = ".in-use";

// The family of every run folder these programs make, and its kinds, each folder named family +
// kind + "-" + the random part: a run's scratch folder on hardware, an emulated machine's folder,
// the emulated system's own.
inline constexpr const char* kRunFolderFamily = "rzflash-";
inline constexpr const char* kRunFolderKinds[] = {"run", "machine", "sim"};
enum class RunFolderKind { Run, Machine, Sim };

// Removes the folders under `root` (empty: TemporaryRoot()) named exactly as a run folder of
// `prefix` is named (`prefix` and the random part of a private folder, nothing else: a user's
// folder that merely begins with the prefix is never one) that were left by runs that ended
// without removing them: their lock file exists and no one holds it. The lock file is made held,
// so a folder of a live run is never taken; a folder without one is not a run folder and is left
// alone. Returns how many folders were removed.
int RemoveAbandonedRunFolders(const std::string& prefix, const std::string& root = {});

class RunFolder {
 public:
  // Clears the abandoned folders of `prefix` and, with a `family`, those of every kind of the family
  // (family + kind + "-" for each of kRunFolderKinds), so that the folders of every kind a killed
  // run left go at once; then makes a new private folder named `prefix`* and takes its lock.
  explicit RunFolder(const std::string& prefix, const std::string& root = {},
                     const std::string& family = {});
  // A folder of the programs' family, of `kind`.
  explicit RunFolder(RunFolderKind kind, const std::string& root = {});
  ~RunFolder();
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  // Empty when the folder could not be made or its lock could not be taken (Error() says why).
  const std::string& Path() const { return path_; }
  const std::string& Error() const { return error_; }

 private:
  void ReleaseLock();

  PrivateFolder folder_;
  std::string path_;
  std::string error_;
  std::intptr_t lock_ = -1;  // descriptor or handle of the held lock file
};

}  // namespace rz::platform
