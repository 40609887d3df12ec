// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows suite's entry: GoogleTest's, with a crash ending the process with a failing status.
// Under Wine two test processes that crash at once may otherwise end with status 0.
#include <gtest/gtest.h>

#include "host/windows/Win32.h"

namespace {
LONG WINAPI EndWithFailure(EXCEPTION_POINTERS*) {
  ::TerminateProcess(::GetCurrentProcess(), 139);
  return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

int main(int argc, char** argv) {
  ::SetUnhandledExceptionFilter(EndWithFailure);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
