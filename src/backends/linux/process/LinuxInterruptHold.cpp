// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/LinuxInterruptHold.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <stdexcept>

#include "platform/HostPlatform.h"

namespace rz::platform {

namespace {

// Every signal a terminal or a session sends to end a program (Ctrl-C, Ctrl-\, a hang-up) and
// the termination request. SIGQUIT's default action would also dump core mid-flash.
constexpr std::array<int, LinuxInterruptHold::kHeldSignalCount> kHeldSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// What the handler reads and writes. A handler cannot reach an object, so these few words are
// the process's; each is lock-free (safe in a handler) and set before the handler is installed.
std::atomic<bool> holdOpen{false};
std::atomic<bool> arrivedWhileHeld{false};
std::atomic<const char*> noticeText{nullptr};
std::atomic<std::size_t> noticeLength{0};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<const char*>::is_always_lock_free);
static_assert(std::atomic<std::size_t>::is_always_lock_free);

// Only async-signal-safe calls: the flag, and write(2) of the notice for the first signal.
extern "C" void OnHeldSignal(int) {
  const int savedErrno = errno;
  if (!arrivedWhileHeld.exchange(true)) {
    const char* text = noticeText.load();
    std::size_t left = text ? noticeLength.load() : 0;
    while (left > 0) {
      const ssize_t written = ::write(STDERR_FILENO, text, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) break;
      text += written;
      left -= static_cast<std::size_t>(written);
    }
  }
  errno = savedErrno;
}

}  // namespace

int SignalOf(InterruptKind kind) {
  switch (kind) {
    case InterruptKind::Terminate: return SIGTERM;
    case InterruptKind::HangUp: return SIGHUP;
    case InterruptKind::Quit: return SIGQUIT;
    case InterruptKind::Stop: return SIGSTOP;
    default: return SIGINT;
  }
}

LinuxInterruptHold::~LinuxInterruptHold() {
  if (depth_ > 0) {
    depth_ = 1;
    End();
  }
}

void LinuxInterruptHold::Begin() {
  if (depth_++ > 0) return;
  if (holdOpen.exchange(true)) {
    depth_ = 0;
    throw std::logic_error("another interrupt hold is open in this process");
  }
  arrivedWhileHeld = false;
  // The notice is written once per program: not again after an earlier hold held one.
  noticeText = arrived_ || notice_.empty() ? nullptr : notice_.c_str();
  noticeLength = notice_.size();
  struct sigaction held {};
  held.sa_handler = OnHeldSignal;
  held.sa_flags = SA_RESTART;  // file and device calls of the flash go on undisturbed
  sigemptyset(&held.sa_mask);
  for (int s : kHeldSignals) sigaddset(&held.sa_mask, s);  // one handler at a time
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    replaced_[i] = false;
    if (::sigaction(kHeldSignals[i], nullptr, &previous_[i]) != 0) continue;
    if (previous_[i].sa_handler == SIG_IGN) continue;
    replaced_[i] = ::sigaction(kHeldSignals[i], &held, nullptr) == 0;
  }
}

void LinuxInterruptHold::End() {
  if (depth_ == 0 || --depth_ > 0) return;
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i)
    if (replaced_[i]) ::sigaction(kHeldSignals[i], &previous_[i], nullptr);
  // A signal that came before the handlers went is in the flag; one after takes its old course.
  arrived_ = arrived_ || arrivedWhileHeld.load();
  noticeText = nullptr;
  holdOpen = false;
}

bool LinuxInterruptHold::Arrived() const {
  return arrived_ || (depth_ > 0 && arrivedWhileHeld.load());
}

std::unique_ptr<InterruptHold> MakeHostInterruptHold() {
  return std::make_unique<LinuxInterruptHold>();
}

void DeliverInterrupt(InterruptKind kind) { std::raise(SignalOf(kind)); }

}  // namespace rz::platform
