// SPDX-License-Identifier: GPL-3.0-or-later
// The faults a scenario's `faults` object selects in the machine and the operating system: failing
// driver requests, service and file operations. (The same object also holds the chip faults every
// emulated EEPROM starts with; those are read by ReadChipFaults in EepromRecipe.h.)
#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/InterruptHold.h"

namespace rz::sim {

class ScenarioObject;

struct PlatformFaults {
  std::optional<std::uint64_t> portFailAfter;  // port requests fail once this many succeeded
  std::optional<std::uint64_t> mapFailAfter;   // map requests likewise
  std::optional<std::uint64_t> requestFailAt;  // only the request of this number (any kind) fails
  std::set<std::string> serviceFail;           // service steps that fail ("start", "create", ...)
  bool serviceAlreadyRunning = false;          // starting the service answers "already running"
  bool leftoverService = false;                // a running service left behind by an earlier run
  std::set<std::string> fileCreateFail;        // files that cannot be created
  std::set<std::string> fileWriteFail;         // writes to these files stop short
  std::set<std::string> fileCloseFail;         // closing these files reports an error
  bool tempFileFail = false;                   // no temporary file can be created
  bool renameFail = false;
  std::optional<std::uint64_t> diskFullAtWrite;  // the disk is full from the write of this number
  std::optional<std::uint64_t> fileCallFailAt;   // only the file call of this number fails
  // Interrupt requests from outside, each after this many driver requests and mapped accesses.
  std::vector<std::uint64_t> interruptAfter;
  platform::InterruptKind interruptKind = platform::InterruptKind::Interrupt;
};

// Reads the machine and operating-system keys of a `faults` object. Throws ScenarioError.
PlatformFaults ReadPlatformFaults(ScenarioObject& faults);

}  // namespace rz::sim
