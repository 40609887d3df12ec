// SPDX-License-Identifier: GPL-3.0-or-later
// The interrupt hold of the emulated machine for programs run in-process: requests come from the
// machine's test hook instead of the system, and what the program did with them is recorded (the
// notice it wrote, the holds and where on the bus they began and ended, requests it was not
// holding, which would have ended it).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/InterruptHold.h"
#include "sim/devices/Machine.h"

namespace rz::sim {

class EmulatedInterruptHold final : public platform::InterruptHold {
 public:
  explicit EmulatedInterruptHold(const Machine& machine) : machine_(machine) {}

  void Begin() override;
  void End() override;
  bool Arrived() const override { return arrived_; }
  void SetNotice(const std::string& text) override { notice_ = text; }

  // An interrupt request as the emulated system delivers it: held during a hold, otherwise
  // counted in Unheld() (on a real system the program would have ended there).
  void Deliver(platform::InterruptKind kind);

  struct Span {
    std::uint64_t begin = 0;  // Machine::Requests() at the outermost Begin
    std::uint64_t end = 0;    // and at its End
  };
  const std::vector<Span>& Spans() const { return spans_; }
  bool Holding() const { return depth_ > 0; }
  std::uint64_t Unheld() const { return unheld_; }
  // The notice lines the program wrote on its standard error.
  const std::vector<std::string>& NoticesWritten() const { return written_; }
  const std::vector<platform::InterruptKind>& Held() const { return held_; }

 private:
  const Machine& machine_;
  std::string notice_;
  int depth_ = 0;
  bool arrived_ = false;
  std::uint64_t unheld_ = 0;
  std::vector<Span> spans_;
  std::vector<std::string> written_;
  std::vector<platform::InterruptKind> held_;
};

}  // namespace rz::sim
