// SPDX-License-Identifier: GPL-3.0-or-later
// The exit statuses of the front ends, terminal and windowed alike: what a script or a shell sees
// when the program ends.
#pragma once

namespace rz::app {

inline constexpr int kExitOk = 0;
// The command did not reach what it is for; also a process that could not be prepared to run.
inline constexpr int kExitFailed = 1;
// A command line that cannot be run, or an emulated machine that cannot be loaded.
inline constexpr int kExitUsage = 2;
// The driver could not be brought up (terminal front end).
inline constexpr int kExitNoDriver = 3;
// A request to stop arrived while the card was written: the flash finished first (the shell's
// code for an interrupted program).
inline constexpr int kExitInterrupted = 130;

}  // namespace rz::app
