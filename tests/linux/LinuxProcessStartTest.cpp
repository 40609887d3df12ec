// SPDX-License-Identifier: GPL-3.0-or-later
// What every program does first on Linux: closed standard descriptors are opened onto the null
// device before anything else is opened, and the programs it starts keep the default actions of
// the signals it catches (that writes to a gone reader or past the file-size limit fail instead
// of ending the program itself is seen end to end). Each case runs in a child process of its own,
// since it changes the process's descriptors and signal dispositions.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <functional>
#include <vector>

#include "backends/linux/process/StandardDescriptors.h"
#include "platform/HostPlatform.h"

namespace rz::test {
namespace {

// Runs `body` in a forked child and returns its exit status (128 + N when signal N ended it).
// The body returns the child's exit status: 0 when all it checked held, else the number of the
// check that failed.
int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool IsNullDevice(int fd) {
  struct stat seen {}, null {};
  return ::fstat(fd, &seen) == 0 && ::stat("/dev/null", &null) == 0 && S_ISCHR(seen.st_mode) &&
         seen.st_rdev == null.st_rdev;
}

struct ClosedCase {
  const char* name;
  std::vector<int> closed;
};

class ClosedAtStart : public ::testing::TestWithParam<ClosedCase> {};

TEST_P(ClosedAtStart, TheNullDeviceTakesTheirPlaceAndNoFileDoes) {
  const std::vector<int> closed = GetParam().closed;
  const int status = InChild([&closed] {
    // The open ones are a pipe, which must stay as it was.
    int pipe[2];
    if (::pipe(pipe) != 0) return 10;
    for (int fd = 0; fd <= 2; ++fd) ::dup2(fd == 0 ? pipe[0] : pipe[1], fd);
    ::close(pipe[0]);
    ::close(pipe[1]);
    for (const int fd : closed) ::close(fd);
    if (!platform::OpenNullOntoClosedStandardDescriptors()) return 11;
    for (int fd = 0; fd <= 2; ++fd) {
      const bool wasClosed = std::find(closed.begin(), closed.end(), fd) != closed.end();
      if (IsNullDevice(fd) != wasClosed) return 20 + fd;
      // Reading the null device ends at once; writing it takes everything.
      const int mode = ::fcntl(fd, F_GETFL) & O_ACCMODE;
      if (wasClosed && mode != (fd == 0 ? O_RDONLY : O_WRONLY)) return 30 + fd;
    }
    const int next = ::open("/dev/null", O_RDONLY);
    return next > 2 ? 0 : 40;
  });
  EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, ClosedAtStart,
    ::testing::Values(ClosedCase{"None", {}}, ClosedCase{"Input", {0}}, ClosedCase{"Output", {1}},
                      ClosedCase{"Error", {2}}, ClosedCase{"OutputAndError", {1, 2}},
                      ClosedCase{"All", {0, 1, 2}}),
    [](const auto& row) { return std::string(row.param.name); });

// The programs the program starts (the vendor tool, pkexec) are not changed by it: for them
// SIGPIPE and SIGXFSZ end the program as usual.
TEST(PrepareProcess, ProgramsItStartsKeepTheDefaultActions) {
  for (const int signal : {SIGPIPE, SIGXFSZ}) {
    const int status = InChild([signal] {
      if (!platform::PrepareProcess()) return 1;
      const std::string command = "kill -" + std::to_string(signal) + " $$; exit 0";
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      return 2;
    });
    EXPECT_EQ(status, 128 + signal) << "signal " << signal;
  }
}

}  // namespace
}  // namespace rz::test
