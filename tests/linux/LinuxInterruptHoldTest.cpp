// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux interrupt hold on this process's real signals: a held signal is remembered and the
// notice written once, the earlier dispositions come back after the hold, an ignored signal stays
// ignored, and outside the hold the default action ends the program.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "backends/linux/process/LinuxInterruptHold.h"
#include "platform/HostPlatform.h"

namespace rz::test {
namespace {

using platform::InterruptKind;
using platform::LinuxInterruptHold;

// Standard error goes into a temporary file for the object's lifetime; Text() reads it so far.
class CapturedStderr {
 public:
  CapturedStderr() : file_(std::tmpfile()), saved_(::dup(STDERR_FILENO)) {
    std::fflush(stderr);
    ::dup2(::fileno(file_), STDERR_FILENO);
  }
  ~CapturedStderr() {
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    std::fclose(file_);
  }
  std::string Text() const {
    std::string text;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
    return text;
  }

 private:
  std::FILE* file_;
  int saved_;
};

// The handler of `signal` right now.
void (*HandlerOf(int signal))(int) {
  struct sigaction now {};
  ::sigaction(signal, nullptr, &now);
  return now.sa_handler;
}

// Puts back the disposition a test changed.
struct RestoreSignal {
  explicit RestoreSignal(int s) : signal(s) { ::sigaction(s, nullptr, &saved); }
  ~RestoreSignal() { ::sigaction(signal, &saved, nullptr); }
  int signal;
  struct sigaction saved {};
};

class HeldSignal : public ::testing::TestWithParam<InterruptKind> {};

TEST_P(HeldSignal, IsRememberedWithOneNoticeAndTheProcessGoesOn) {
  const int signal = platform::SignalOf(GetParam());
  const RestoreSignal restore(signal);
  std::signal(signal, SIG_DFL);
  CapturedStderr err;
  LinuxInterruptHold hold;
  hold.SetNotice("held for now");
  hold.Begin();
  EXPECT_FALSE(hold.Arrived());
  platform::DeliverInterrupt(GetParam());
  EXPECT_TRUE(hold.Arrived());
  std::raise(signal);  // a second request writes nothing more
  std::raise(SIGHUP);
  hold.End();
  EXPECT_TRUE(hold.Arrived());
  EXPECT_EQ(err.Text(), "held for now\n");
  EXPECT_EQ(HandlerOf(signal), SIG_DFL);  // the default action is back
  // A later hold remembers the earlier request and does not write the notice again.
  hold.Begin();
  std::raise(signal);
  hold.End();
  EXPECT_TRUE(hold.Arrived());
  EXPECT_EQ(err.Text(), "held for now\n");
}

INSTANTIATE_TEST_SUITE_P(EveryKind, HeldSignal,
                         ::testing::Values(InterruptKind::Interrupt, InterruptKind::Terminate,
                                           InterruptKind::HangUp, InterruptKind::Quit));

int handledOutside = 0;
void CountOutside(int) { ++handledOutside; }

TEST(LinuxInterruptHold, EarlierHandlersComeBackAndIgnoredSignalsStayIgnored) {
  const RestoreSignal restoreInt(SIGINT), restoreHup(SIGHUP);
  std::signal(SIGINT, CountOutside);
  std::signal(SIGHUP, SIG_IGN);
  handledOutside = 0;
  {
    LinuxInterruptHold hold;
    hold.Begin();
    std::raise(SIGHUP);  // ignored before the hold: still nothing
    EXPECT_FALSE(hold.Arrived());
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
    std::raise(SIGINT);
    EXPECT_EQ(handledOutside, 0);  // held, not handed to the earlier handler
    EXPECT_TRUE(hold.Arrived());
    hold.End();
  }
  EXPECT_EQ(HandlerOf(SIGINT), &CountOutside);
  std::raise(SIGINT);
  EXPECT_EQ(handledOutside, 1);
}

TEST(LinuxInterruptHold, NestedHoldsEndWithTheOutermostAndTheDestructorEndsAnOpenOne) {
  const RestoreSignal restore(SIGTERM);
  std::signal(SIGTERM, SIG_DFL);
  {
    LinuxInterruptHold hold;
    hold.Begin();
    hold.Begin();
    hold.End();
    EXPECT_NE(HandlerOf(SIGTERM), SIG_DFL);  // still held
    std::raise(SIGTERM);
    EXPECT_TRUE(hold.Arrived());
  }
  EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
  LinuxInterruptHold fresh;  // the process's flag does not leak into the next hold
  fresh.Begin();
  EXPECT_FALSE(fresh.Arrived());
  fresh.End();
  EXPECT_FALSE(fresh.Arrived());
}

TEST(LinuxInterruptHold, OnlyOneHoldMayBeOpenAtATime) {
  LinuxInterruptHold first, second;
  first.Begin();
  EXPECT_THROW(second.Begin(), std::logic_error);
  first.End();
  second.Begin();  // free again
  second.End();
}

TEST(LinuxInterruptHoldDeathTest, OutsideTheHoldTheSignalEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const InterruptKind kind :
       {InterruptKind::Interrupt, InterruptKind::Terminate, InterruptKind::Quit}) {
    EXPECT_EXIT(
        {
          const rlimit noCore{};  // SIGQUIT's default action would dump core
          ::setrlimit(RLIMIT_CORE, &noCore);
          std::signal(platform::SignalOf(kind), SIG_DFL);
          LinuxInterruptHold hold;
          hold.Begin();
          hold.End();
          platform::DeliverInterrupt(kind);
          std::_Exit(0);
        },
        ::testing::KilledBySignal(platform::SignalOf(kind)), "");
  }
}

}  // namespace
}  // namespace rz::test
