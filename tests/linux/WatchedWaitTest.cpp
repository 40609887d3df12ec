// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting for a child while telling a watch: told once per whole interval, in order, never after
// the end; the child's own status kept.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "backends/linux/process/Subprocess.h"
#include "backends/linux/process/WatchedWait.h"

namespace rz::platform {
namespace {

TEST(WatchedWait, TellsEachIntervalOfAChildsRunAndKeepsItsStatus) {
  struct Case {
    const char* script;
    int status;
  };
  for (const Case c : {Case{"sleep 0.55; exit 0", 0}, Case{"sleep 0.55; exit 7", 7}}) {
    const pid_t pid = SpawnWithStdio("/bin/sh", {"-c", c.script}, STDERR_FILENO);
    ASSERT_GT(pid, 0);
    std::vector<std::uint64_t> told;
    const int status = WaitForExitWatched(pid, {100, [&](std::uint64_t ms) { told.push_back(ms); }});
    EXPECT_EQ(status, c.status) << c.script;
    ASSERT_GE(told.size(), 4u) << c.script;
    ASSERT_LE(told.size(), 7u) << c.script;  // nothing after the end (a slow machine may lag)
    for (std::size_t i = 0; i < told.size(); ++i) EXPECT_EQ(told[i], (i + 1) * 100) << c.script;
  }
}

TEST(WatchedWait, WaitsForAnAnswerOnASocketTellingMeanwhile) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  std::thread answer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    ASSERT_EQ(::write(pair[1], "x", 1), 1);
  });
  std::vector<std::uint64_t> told;
  WaitReadableWatched(pair[0], {100, [&](std::uint64_t ms) { told.push_back(ms); }});
  answer.join();
  char c = 0;
  EXPECT_EQ(::read(pair[0], &c, 1), 1);  // returned because the answer is there
  EXPECT_GE(told.size(), 2u);
  EXPECT_LE(told.size(), 4u);
  ::close(pair[0]);
  ::close(pair[1]);
}

}  // namespace
}  // namespace rz::platform
