// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/RunLockFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rz::platform {

UniqueFd OpenRunLockFile(const std::string& path, std::string& reason) {
  reason.clear();
  int raw;
  do {
    raw = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  } while (raw < 0 && errno == EINTR);
  UniqueFd fd(raw);
  if (!fd.Valid()) {
    reason = "the lock file " + path + " cannot be opened: " + std::strerror(errno);
    return fd;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    reason = "the lock file " + path + " is not a regular file";
    return UniqueFd();
  }
  if (st.st_uid != ::geteuid()) {
    reason = "the lock file " + path + " belongs to user " + std::to_string(st.st_uid) +
             " instead of user " + std::to_string(::geteuid());
    return UniqueFd();
  }
  if ((st.st_mode & 077) != 0 && ::fchmod(fd.Get(), 0600) != 0) {
    reason = "the lock file " + path + " is open to other users and cannot be closed to them";
    return UniqueFd();
  }
  return fd;
}

}  // namespace rz::platform
