// SPDX-License-Identifier: GPL-3.0-or-later
// A short busy wait of a fixed length, counted in spins of a loop whose speed is measured once:
// it stands in for the time of one port write, too short for the scheduler's sleeps.
#pragma once
#include <chrono>
#include <cstdint>

namespace rz::platform {

class CalibratedWait {
 public:
  // Measures how many spins take `unit` on this processor (a few milliseconds at most).
  explicit CalibratedWait(std::chrono::nanoseconds unit);
  // Spins for one unit.
  void Wait() const;
  std::uint64_t SpinsPerUnit() const { return spins_; }

 private:
  std::uint64_t spins_ = 1;
};

// Runs `spins` turns of the loop that Wait() uses.
void Spin(std::uint64_t spins);

}  // namespace rz::platform
