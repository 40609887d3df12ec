// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/StandardDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace rz::platform {

bool OpenNullOntoClosedStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lower numbers are open by now, so the new descriptor is normally `fd` itself.
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened < 0) return false;
    if (opened == fd) continue;
    const bool moved = ::dup2(opened, fd) == fd;
    ::close(opened);
    if (!moved) return false;
  }
  return true;
}

}  // namespace rz::platform
