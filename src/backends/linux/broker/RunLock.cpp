// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/RunLock.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace rz::platform {
namespace {

std::string Untouched(const std::string& why) {
  return "the program's single-instance lock cannot be taken (" + why +
         "): without it another run could reach the graphics card at the same time, so the card "
         "is not touched";
}

}  // namespace

bool FlockedByAnyone(const std::string& path, const std::string& locksFile) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  std::ifstream locks(locksFile);
  // "1: FLOCK  ADVISORY  WRITE 1047 fe:00:10952962 0 EOF": the device in hex, the inode.
  for (std::string line; std::getline(locks, line);) {
    std::istringstream words(line);
    std::string number, kind, mode, access, pid, file;
    if (!(words >> number >> kind >> mode >> access >> pid >> file) || kind != "FLOCK") continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3 &&
        major == ::major(st.st_dev) && minor == ::minor(st.st_dev) && inode == st.st_ino)
      return true;
  }
  return false;
}

RunLockState RunLock::Set(RunLockState state, std::string problem) {
  state_ = state;
  problem_ = std::move(problem);
  return state_;
}

RunLockState RunLock::Take() {
  if (state_ == RunLockState::Held) return state_;
  std::string reason;
  UniqueFd fd;
  if (helper_ && !helper_->Options().asRoot) {
    // A second run is told so at once, without a password prompt first: anyone may see the
    // machine's locks, though only root may open the file.
    if (FlockedByAnyone(path_))
      return Set(RunLockState::HeldElsewhere, "another run of the program holds the single-instance lock");
    // The first moment of the run that needs privilege: the helper is started here.
    if (!helper_->Start()) return Set(RunLockState::Unavailable, helper_->Reason());
    fd = helper_->OpenRunLock(reason);
  } else {
    fd = OpenRunLockFile(path_, reason);
  }
  if (!fd.Valid()) return Set(RunLockState::Unavailable, Untouched(reason));
  int rc;
  do {
    rc = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    fd_ = std::move(fd);
    return Set(RunLockState::Held, {});
  }
  if (errno == EWOULDBLOCK)
    return Set(RunLockState::HeldElsewhere, "another run of the program holds the single-instance lock");
  return Set(RunLockState::Unavailable, Untouched(std::strerror(errno)));
}

void RunLock::Release() {
  fd_.Reset();  // closing the last descriptor of the open file releases the flock
  Set(RunLockState::NotTaken, {});
}

}  // namespace rz::platform
