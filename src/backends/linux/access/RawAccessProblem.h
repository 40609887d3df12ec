// SPDX-License-Identifier: GPL-3.0-or-later
// Why the hardware cannot be reached on this Linux machine, in words a user can act on: which
// access methods were tried and why each failed, and what stands in the way of raw access;
// printed by the terminal front end after the bring-up failure.
#pragma once
#include <string>
#include <vector>

#include <sys/types.h>

#include "backends/linux/access/AccessMethod.h"

namespace rz::platform {

// Where the facts are read from; the defaults are the real machine's.
struct RawAccessFacts {
  uid_t effectiveUser = 0;
  std::string portPath = "/dev/port";
  std::string memPath = "/dev/mem";
  std::string lockdownPath = "/sys/kernel/security/lockdown";
  std::string cmdlinePath = "/proc/cmdline";
};

RawAccessFacts CurrentRawAccessFacts();

// One problem a line (the last line a hint about strict /dev/mem unless the kernel was booted
// with iomem=relaxed). Never empty.
std::string DescribeRawAccessProblem(const RawAccessFacts& facts);
std::string DescribeRawAccessProblem();

// One line for each method tried ("access method NAME failed: WHY"), then the machine's
// obstacles (not root, kernel lockdown, strict /dev/mem). With no attempt recorded (the device
// was never opened) it is the raw access description above.
std::string DescribeAccessMethodProblems(const std::vector<AccessAttempt>& attempts,
                                         const RawAccessFacts& facts);

}  // namespace rz::platform
