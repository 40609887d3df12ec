// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a command's fault points as branches of its fault-free run: at each moment a driver
// request could fail or the power could go, the run forks; the child injects the fault, runs to
// its end, checks the invariants against the fault-free run and writes its verdict to a pipe,
// puts the files back as it found them and exits, while the parent waits and goes on without the
// fault. A point costs what its run costs after the fault, not the whole run.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/FaultMatrix.h"

namespace rz::test::matrix {

// What a point's run came to.
struct Verdict {
  Point point;
  bool fired = false;
  std::uint64_t failedRequests = 0;
  std::map<Invariant, std::string> violations;
  std::vector<std::string> transcript;  // kept when an invariant broke
};

// Verdict of a point run in this process.
Verdict Judge(const Point& point, const Observation& o, const Observation& clean);

struct SweepPlan {
  // Every stride-th moment of the command, from the offset-th on, is a single-fault point (1 and
  // 0: every one; a command's moments can so be shared among several runs).
  std::uint64_t stride = 1;
  std::uint64_t offset = 0;
  // Double faults: this many moments drawn at random, each given a second fault drawn at random
  // (a file call, a full disk, or after a power cut a driver request: the machine fails one
  // request only) from the run still ahead.
  std::uint64_t doubles = 0;
  std::uint64_t seed = 0;
  // After a power cut the named backup is flashed on a new start at every this-many-th cut.
  std::uint64_t restoreStride = 1;
  // A driver request that fails once the chip was touched, or a power cut, is followed by the
  // automatic restore, a whole chip's work: of those moments (of this run's share) every
  // this-many-th branches.
  std::uint64_t writeStride = 1;
};

// Whether this build can fork its runs.
bool CanBranch();

// Sweeps the moments of `base`'s command in one fault-free run of it: `report` gets each
// verdict, in the parent, in order. Returns the number of moments the command had.
std::uint64_t Sweep(const Point& base, const Observation& clean, const SweepPlan& plan,
                    const std::function<void(const Verdict&)>& report);

}  // namespace rz::test::matrix
