// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/WindowsInterruptHold.h"

#include <atomic>
#include <stdexcept>

#include "host/windows/Win32.h"
#include "platform/HostPlatform.h"

namespace rz::platform {

namespace {

// What the handler routine reads and writes. The system calls it on a thread of its own and it
// reaches no object, so these few words are the process's, set before the routine is installed.
std::atomic<bool> holdOpen{false};
std::atomic<bool> arrivedWhileHeld{false};
std::atomic<const char*> noticeText{nullptr};
std::atomic<std::size_t> noticeLength{0};
std::atomic<HANDLE> releasedEvent{nullptr};
std::atomic<DWORD> holdingThread{0};

BOOL WINAPI OnControlEvent(DWORD event) {
  if (!holdOpen.load()) return FALSE;  // the next routine: normally the default, the end
  if (!arrivedWhileHeld.exchange(true)) {
    const char* text = noticeText.load();
    if (text) {
      DWORD written = 0;
      ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text,
                  static_cast<DWORD>(noticeLength.load()), &written, nullptr);
    }
  }
  const bool endsProcess = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT ||
                           event == CTRL_SHUTDOWN_EVENT;
  // Waiting on the holding thread itself (a delivery from the emulated machine) would never end.
  if (endsProcess && ::GetCurrentThreadId() != holdingThread.load())
    ::WaitForSingleObject(releasedEvent.load(), INFINITE);
  return TRUE;
}

DWORD EventOf(InterruptKind kind) {
  switch (kind) {
    case InterruptKind::Terminate:
    case InterruptKind::Quit: return CTRL_BREAK_EVENT;  // the console's Ctrl-Break
    case InterruptKind::HangUp: return CTRL_CLOSE_EVENT;
    default: return CTRL_C_EVENT;
  }
}

// The exit status of a console program ended by Ctrl-C (STATUS_CONTROL_C_EXIT).
constexpr UINT kControlCExit = 0xC000013Au;

}  // namespace

WindowsInterruptHold::WindowsInterruptHold()
    : released_(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

WindowsInterruptHold::~WindowsInterruptHold() {
  if (depth_ > 0) {
    depth_ = 1;
    End();
  }
}

void WindowsInterruptHold::Begin() {
  if (depth_++ > 0) return;
  ::ResetEvent(released_.get());
  HANDLE none = nullptr;
  if (!releasedEvent.compare_exchange_strong(none, released_.get())) {
    depth_ = 0;
    throw std::logic_error("another interrupt hold is open in this process");
  }
  arrivedWhileHeld = false;
  // The notice is written once per program: not again after an earlier hold held one.
  noticeText = arrived_ || notice_.empty() ? nullptr : notice_.c_str();
  noticeLength = notice_.size();
  holdingThread = ::GetCurrentThreadId();
  holdOpen = true;
  ::SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

void WindowsInterruptHold::End() {
  if (depth_ == 0 || --depth_ > 0) return;
  holdOpen = false;
  ::SetEvent(released_.get());
  ::SetConsoleCtrlHandler(OnControlEvent, FALSE);
  arrived_ = arrived_ || arrivedWhileHeld.load();
  noticeText = nullptr;
  releasedEvent = nullptr;
}

bool WindowsInterruptHold::Arrived() const {
  return arrived_ || (depth_ > 0 && arrivedWhileHeld.load());
}

std::unique_ptr<InterruptHold> MakeHostInterruptHold() {
  return std::make_unique<WindowsInterruptHold>();
}

// The routine runs here on the calling thread, as the system would run it on a thread of its own;
// unheld, the request ends the program as the system's default routine does.
void DeliverInterrupt(InterruptKind kind) {
  if (kind == InterruptKind::Stop) return;  // a console program cannot be stopped and continued
  if (!OnControlEvent(EventOf(kind))) ::ExitProcess(kControlCExit);
}

}  // namespace rz::platform
