// SPDX-License-Identifier: GPL-3.0-or-later
// Test executables on Windows: a crash ends the process with status 139 at once. Without this, a
// test that crashes while another one does too may exit with status 0 under Wine, and a crash
// would pass for success.
#ifdef _WIN32
#include <windows.h>

namespace {

LONG WINAPI EndWithFailure(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), 139);
  return EXCEPTION_EXECUTE_HANDLER;
}

const bool kInstalled = [] {
  SetUnhandledExceptionFilter(EndWithFailure);
  return true;
}();

}  // namespace
#endif
