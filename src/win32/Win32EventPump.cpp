// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Win32EventPump.h"

#include <stdexcept>

namespace rz::win32 {

Win32EventPump::Win32EventPump() : done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!done_) throw std::runtime_error("the window's wait could not be prepared");
}

void Win32EventPump::Run() {
  const HANDLE done = done_.get();
  constexpr UINT kNotInput = QS_PAINT | QS_TIMER | QS_POSTMESSAGE | QS_SENDMESSAGE;
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, kNotInput);
    if (woke == WAIT_OBJECT_0) {
      ::ResetEvent(done);  // ready for the next Run: the Quit it ends is taken
      return;
    }
    if (woke == WAIT_FAILED) return;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0,
                          PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
      if (msg.message == WM_QUIT) {  // for the outer loop, after the program has ended
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        ::WaitForSingleObject(done, INFINITE);
        return;
      }
      ::DispatchMessageW(&msg);
    }
  }
}

void Win32EventPump::Quit() { ::SetEvent(done_.get()); }

}  // namespace rz::win32
