// Why raw port and physical-memory access fails on this Linux machine, in words a user can act on;
// printed by the terminal front end after the bring-up failure.
#pragma once
#include <string>

#include <sys/types.h>

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

}  // namespace rz::platform
