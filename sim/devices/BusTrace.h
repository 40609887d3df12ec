// SPDX-License-Identifier: GPL-3.0-or-later
// Optional recorder of every access the program makes to the emulated hardware, time-stamped on the
// virtual clock, so tests can assert exact sequences and benchmarks can count operations.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace rz::sim {

enum class TraceKind : std::uint8_t {
  PortRead,    // address: port, value: data, width
  PortWrite,
  Map,         // address: physical address, value: linear address (0 on failure), aux: length
  Unmap,       // address: linear address
  MemRead,     // address: offset into the mapped device window, value, width 1 or 4
  MemWrite,
  Sleep,       // value: milliseconds
};

struct TraceEvent {
  std::uint64_t time = 0;
  TraceKind kind = TraceKind::PortRead;
  std::uint32_t address = 0;
  std::uint32_t value = 0;
  std::uint8_t width = 0;
  std::uint32_t aux = 0;

  bool operator==(const TraceEvent&) const = default;
};

std::string Describe(const TraceEvent& e);

class BusTrace {
 public:
  void Enable(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }
  void Record(const TraceEvent& e) {
    if (enabled_) events_.push_back(e);
  }
  const std::vector<TraceEvent>& Events() const { return events_; }
  void Clear() { events_.clear(); }

 private:
  bool enabled_ = false;
  std::vector<TraceEvent> events_;
};

}  // namespace rz::sim
