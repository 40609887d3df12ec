// SPDX-License-Identifier: GPL-3.0-or-later
// Virtual time of the emulated machine in nanoseconds. Sleeping and every bus access advance it;
// nothing in the emulator blocks. Time only moves forward.
#pragma once
#include <cstdint>

namespace rz::sim {

class VirtualClock {
 public:
  std::uint64_t Now() const { return now_; }
  void Advance(std::uint64_t nanoseconds) { now_ += nanoseconds; }

 private:
  std::uint64_t now_ = 0;
};

inline constexpr std::uint64_t kMicrosecond = 1000;
inline constexpr std::uint64_t kMillisecond = 1000 * kMicrosecond;

}  // namespace rz::sim
