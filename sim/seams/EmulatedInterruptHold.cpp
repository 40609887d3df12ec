// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/EmulatedInterruptHold.h"

namespace rz::sim {

void EmulatedInterruptHold::Begin() {
  if (depth_++ == 0) spans_.push_back(Span{machine_.Requests(), machine_.Requests()});
}

void EmulatedInterruptHold::End() {
  if (depth_ == 0) return;
  if (--depth_ == 0) spans_.back().end = machine_.Requests();
}

void EmulatedInterruptHold::Deliver(platform::InterruptKind kind) {
  // Stopping and continuing asks nothing of the program: there is nothing to hold or count.
  if (kind == platform::InterruptKind::Stop) return;
  if (depth_ == 0) {
    ++unheld_;
    return;
  }
  held_.push_back(kind);
  if (!arrived_ && !notice_.empty()) written_.push_back(notice_);
  arrived_ = true;
}

}  // namespace rz::sim
