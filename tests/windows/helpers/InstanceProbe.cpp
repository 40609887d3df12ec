// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: a second process that tries the program's single-instance lock.
//   rz_instance_probe NAME          exits 2 when another instance holds NAME, 0 when it got it
//   rz_instance_probe NAME EVENT    when it got it, signals the event EVENT-held and keeps the lock
//                                   until EVENT-release is signalled; exits 2 as above otherwise
#include <cstdio>
#include <string>

#include "backends/windows/WindowsSystem.h"
#include "host/windows/OwnedHandles.h"

int main(int argc, char** argv) {
  if (argc < 2) return 3;
  rz::platform::WindowsSystem system;
  if (system.AnotherInstanceRunning(argv[1])) return 2;
  if (argc < 3) return 0;
  const std::string event = argv[2];
  const rz::platform::win::OwnedHandle held(
      ::OpenEventA(EVENT_MODIFY_STATE, FALSE, (event + "-held").c_str()));
  const rz::platform::win::OwnedHandle release(
      ::OpenEventA(SYNCHRONIZE, FALSE, (event + "-release").c_str()));
  if (!held || !release) return 3;
  ::SetEvent(held.get());
  ::WaitForSingleObject(release.get(), INFINITE);
  return 0;
}
