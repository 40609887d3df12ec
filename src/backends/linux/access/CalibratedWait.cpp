// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/CalibratedWait.h"

#include <algorithm>

namespace rz::platform {

void Spin(std::uint64_t spins) {
  // The volatile counter keeps the compiler from removing or folding the loop.
  volatile std::uint64_t counter = 0;
  for (std::uint64_t i = 0; i < spins; ++i) counter = counter + 1;
}

CalibratedWait::CalibratedWait(std::chrono::nanoseconds unit) {
  using Clock = std::chrono::steady_clock;
  constexpr std::uint64_t kProbe = 1u << 16;
  // The fastest of a few probes: a probe that was preempted only measures the scheduler.
  auto best = std::chrono::nanoseconds::max();
  for (int i = 0; i < 5; ++i) {
    const auto from = Clock::now();
    Spin(kProbe);
    best = std::min(best, std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - from));
  }
  const auto probeNs = static_cast<std::uint64_t>(std::max<std::int64_t>(best.count(), 1));
  spins_ = std::max<std::uint64_t>(1, kProbe * static_cast<std::uint64_t>(unit.count()) / probeNs);
}

void CalibratedWait::Wait() const { Spin(spins_); }

}  // namespace rz::platform
