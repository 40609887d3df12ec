// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/WatchedWait.h"

#include <poll.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <ctime>

#include "backends/linux/process/Subprocess.h"

namespace rz::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Tells `watch` of every whole interval waited since `start`; `told` counts those told so far.
void TellIntervals(const WaitWatch& watch, Clock::time_point start, std::uint64_t& told) {
  const auto waited = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  while ((told + 1) * watch.intervalMs <= waited) watch.onInterval(++told * watch.intervalMs);
}

// How the child that `status` describes ended, as WaitForExit says it.
int ExitStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int WaitForExitWatched(pid_t pid, const WaitWatch& watch) {
  if (!watch.Active()) return WaitForExit(pid);
  const auto start = Clock::now();
  std::uint64_t told = 0;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return ExitStatus(status);
    if (r < 0 && errno != EINTR) return -1;
    // A tenth of a second between looks: the end is seen at once for a person.
    const timespec pause{0, 100 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
    TellIntervals(watch, start, told);
  }
}

void WaitReadableWatched(int fd, const WaitWatch& watch) {
  if (!watch.Active()) return;
  const auto start = Clock::now();
  std::uint64_t told = 0;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(watch.intervalMs));
    if (r > 0 || (r < 0 && errno != EINTR)) return;
    TellIntervals(watch, start, told);
  }
}

}  // namespace rz::platform
