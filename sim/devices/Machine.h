// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated machine's buses: I/O ports (PCI configuration mechanism 1 at 0xCF8/0xCFC, the delay
// port 0xEB), the PCI devices, and physical-memory mappings handed out as 32-bit linear addresses.
// Every driver request and mapped access costs virtual time and can be traced.
//
// Invariants: linear addresses are not reused until the 32-bit space is used up (then the ranges of
// unmapped mappings come back, never one of a live mapping and never 0), so an access through an
// address that was unmapped (or never mapped) is counted in InvalidAccesses() and answers all ones;
// a device's window answers only while its memory decoding is on.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/driver/DriverProtocol.h"
#include "sim/devices/BusTrace.h"
#include "sim/devices/PciDevice.h"
#include "sim/devices/VirtualClock.h"

namespace rz::sim {

struct CostModel {
  std::uint64_t portRequestNs = 1000;  // one driver call with one port access
  std::uint64_t mapRequestNs = 20000;
  std::uint64_t memReadNs = 200;       // uncached read across the bus
  std::uint64_t memWriteNs = 40;       // posted write
};

enum class RequestKind : std::uint8_t { Port, Map, Unmap };

struct RequestFaults {
  // Port requests (map requests) fail once this many have succeeded.
  std::optional<std::uint64_t> portFailAfter;
  std::optional<std::uint64_t> mapFailAfter;
  // The one driver request with this number fails, counting every port, map and unmap request of
  // the machine from 0 (the number a request gets is DriverRequests() before it); the others
  // succeed.
  std::optional<std::uint64_t> failRequestAt;
};

// The request that failRequestAt made fail.
struct InjectedFailure {
  RequestKind kind = RequestKind::Port;
  std::uint16_t port = 0;  // port requests
  bool write = false;      // port requests
};

struct RequestCounters {
  std::uint64_t portRequests = 0;
  std::uint64_t delayPortWrites = 0;  // writes to port 0xEB
  std::uint64_t mapRequests = 0;
  std::uint64_t unmapRequests = 0;
  std::uint64_t memReads = 0;
  std::uint64_t memWrites = 0;
  std::uint64_t invalidAccesses = 0;
  std::uint64_t failedRequests = 0;
  std::uint64_t sleeps = 0;
  std::uint64_t sleptMs = 0;  // virtual time spent in Sleep()
};

inline constexpr std::uint16_t kDelayPort = 0xEB;

class Machine {
 public:
  VirtualClock& Clock() { return clock_; }
  BusTrace& Trace() { return trace_; }
  CostModel& Costs() { return costs_; }
  RequestFaults& Faults() { return faults_; }
  const RequestCounters& Counters() const { return counters_; }
  std::uint64_t InvalidAccesses() const { return counters_.invalidAccesses; }
  std::size_t LiveMappings() const { return mappings_.size(); }
  // Port, map and unmap requests received so far (accesses through mappings are none).
  std::uint64_t DriverRequests() const {
    return counters_.portRequests + counters_.mapRequests + counters_.unmapRequests;
  }
  // Set once failRequestAt has made a request fail.
  const std::optional<InjectedFailure>& Injected() const { return injected_; }

  // Places a device at (bus, device), function 0. Returns the device. Throws std::logic_error
  // when the slot is taken: the device there may be referenced elsewhere, so it is never dropped
  // implicitly (RemoveDevice hands it back first).
  PciDevice& AddDevice(std::uint8_t bus, std::uint8_t device, std::unique_ptr<PciDevice> d);
  // Takes the device at (bus, device) off the bus; null when the slot is empty.
  std::unique_ptr<PciDevice> RemoveDevice(std::uint8_t bus, std::uint8_t device);
  PciDevice* DeviceAt(std::uint8_t bus, std::uint8_t device);

  // One port request as the driver receives it; false when the request fails. Inline: a flash
  // makes millions of them, nearly all writes to the delay port.
  bool PortRequest(platform::PortAccessRequest& r) {
    if (beforeRequest_) beforeRequest_(DriverRequests());
    CountRequest();
    clock_.Advance(costs_.portRequestNs);
    const bool write = r.direction == platform::kPortDirectionWrite;
    const bool injected = faults_.failRequestAt && InjectFailure({RequestKind::Port, r.port, write});
    ++counters_.portRequests;
    if (injected) return false;
    if (faults_.portFailAfter && portSucceeded_ >= *faults_.portFailAfter) {
      ++counters_.failedRequests;
      return false;
    }
    ++portSucceeded_;
    if (write) {
      if (r.port == kDelayPort) ++counters_.delayPortWrites;
      else if (r.width == 4) PortWrite32(r.port, r.data);
    } else {
      std::uint32_t v = r.width == 4 ? PortRead32(r.port) : 0xFFFFFFFFu;
      if (r.width == 1) v &= 0xFF;
      if (r.width == 2) v &= 0xFFFF;
      r.data = v;
    }
    if (trace_.Enabled())
      trace_.Record({clock_.Now(), write ? TraceKind::PortWrite : TraceKind::PortRead, r.port,
                     r.data, static_cast<std::uint8_t>(r.width), 0});
    return true;
  }
  // Maps [physical, physical+length); false on failure. Unknown ranges map but answer all ones.
  bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear);
  bool Unmap(std::uint32_t linear);

  // Accesses through a mapping. The common case (an address in a device window, no trace being
  // recorded) is inline; the rest (unanswered addresses, tracing) is finished out of line.
  std::uint8_t Read8(std::uint32_t linear) {
    CountRequest();
    clock_.Advance(costs_.memReadNs);
    ++counters_.memReads;
    std::uint32_t offset = 0;
    PciDevice* d = Resolve(linear, offset);
    if (d && !trace_.Enabled()) return d->MmioRead8(offset);
    return FinishRead8(d, linear, offset);
  }
  void Write8(std::uint32_t linear, std::uint8_t value) {
    CountRequest();
    clock_.Advance(costs_.memWriteNs);
    ++counters_.memWrites;
    std::uint32_t offset = 0;
    PciDevice* d = Resolve(linear, offset);
    if (d && !trace_.Enabled()) return d->MmioWrite8(offset, value);
    FinishWrite8(d, linear, offset, value);
  }
  std::uint32_t Read32(std::uint32_t linear) {
    CountRequest();
    clock_.Advance(costs_.memReadNs);
    ++counters_.memReads;
    std::uint32_t offset = 0;
    PciDevice* d = Resolve(linear, offset);
    if (d && !trace_.Enabled()) return d->MmioRead32(offset);
    return FinishRead32(d, linear, offset);
  }
  void Write32(std::uint32_t linear, std::uint32_t value) {
    CountRequest();
    clock_.Advance(costs_.memWriteNs);
    ++counters_.memWrites;
    std::uint32_t offset = 0;
    PciDevice* d = Resolve(linear, offset);
    if (d && !trace_.Enabled()) return d->MmioWrite32(offset, value);
    FinishWrite32(d, linear, offset, value);
  }

  void Sleep(std::uint32_t milliseconds);

  // Driver requests (port, map, unmap) and accesses through mappings carried out so far.
  std::uint64_t Requests() const { return requests_; }
  // Calls `deliver` after each of `counts` requests (as Requests() counts them), before the next
  // one is carried out: the moments interrupt requests from outside reach the program in a test.
  // A later call replaces an earlier one.
  void InterruptAfter(std::vector<std::uint64_t> counts, std::function<void()> deliver);
  // Calls `f` with each driver request's number (DriverRequests()) before the request is carried
  // out or can fail: a test may inject a fault there. Empty: nothing is called.
  void BeforeEachRequest(std::function<void(std::uint64_t)> f) { beforeRequest_ = std::move(f); }

 private:
  // Counts one request; delivers an interrupt when its moment has come.
  void CountRequest() {
    if (requests_ == nextInterrupt_) DeliverInterrupts();
    ++requests_;
  }
  void DeliverInterrupts();
  // True (and noted) when failRequestAt names the request about to be counted.
  bool InjectFailure(const InjectedFailure& what);

  struct Mapping {
    std::uint32_t physical;
    std::uint32_t length;
    std::uint64_t span;  // linear range reserved for it, from its base
  };
  // A free linear range of `span` bytes; nullopt when none is left.
  std::optional<std::uint32_t> AllocateLinear(std::uint64_t span);
  // The live mapping holding `linear` and the address's offset into it; null when none. The last
  // mapping found is remembered: a program walks one mapping for thousands of accesses.
  const Mapping* FindMapping(std::uint32_t linear, std::uint32_t& inMapping);
  // Finds the device window and offset behind a linear address; null when none. Inline for the
  // remembered stretch of the last lookup; the rest goes to ResolveSlow.
  PciDevice* Resolve(std::uint32_t linear, std::uint32_t& offset) {
    const std::uint32_t at = linear - fast_.linear;
    if (at < fast_.length && fast_.device->MemoryDecoding() && fast_.device->Bar0() == fast_.bar0) {
      offset = fast_.offset + at;
      return fast_.device;
    }
    return ResolveSlow(linear, offset);
  }
  PciDevice* ResolveSlow(std::uint32_t linear, std::uint32_t& offset);
  // The device access (when `d`), the count of an access outside every mapping, and the trace.
  std::uint8_t FinishRead8(PciDevice* d, std::uint32_t linear, std::uint32_t offset);
  void FinishWrite8(PciDevice* d, std::uint32_t linear, std::uint32_t offset, std::uint8_t value);
  std::uint32_t FinishRead32(PciDevice* d, std::uint32_t linear, std::uint32_t offset);
  void FinishWrite32(PciDevice* d, std::uint32_t linear, std::uint32_t offset, std::uint32_t value);
  void ForgetResolution() {
    lastMapping_ = nullptr;
    fast_.length = 0;
  }
  bool IsMapped(std::uint32_t linear);
  void ListWindowDevices();
  // Dword accesses to the configuration ports 0xCF8/0xCFC (other ports: writes vanish, reads
  // answer all ones).
  void PortWrite32(std::uint16_t port, std::uint32_t value);
  std::uint32_t PortRead32(std::uint16_t port);
  std::uint32_t ConfigRead(std::uint32_t address);
  void ConfigWrite(std::uint32_t address, std::uint32_t value);

  VirtualClock clock_;
  BusTrace trace_;
  CostModel costs_;
  RequestFaults faults_;
  RequestCounters counters_;
  std::map<std::uint16_t, std::unique_ptr<PciDevice>> devices_;  // key: bus << 8 | device
  std::map<std::uint32_t, Mapping> mappings_;                     // key: linear base
  std::vector<PciDevice*> windowDevices_;  // devices with a BAR0 window, in the order of devices_
  const Mapping* lastMapping_ = nullptr;   // the mapping FindMapping found last; null after a change
  std::uint32_t lastMappingBase_ = 0;
  // A stretch of linear addresses [linear, linear + length) of one mapping that lands in the window
  // of the bus's only windowed device, at `offset`, while that device decodes memory at `bar0`.
  // Kept only while one device has a window, so no other device can claim those addresses.
  struct FastResolution {
    std::uint32_t linear = 0;
    std::uint32_t length = 0;  // 0: nothing remembered
    std::uint32_t offset = 0;
    std::uint32_t bar0 = 0;
    PciDevice* device = nullptr;
  } fast_;
  static constexpr std::uint64_t kFirstLinear = 0x10000000;
  static constexpr std::uint64_t kLinearLimit = 0x100000000;
  std::uint64_t nextLinear_ = kFirstLinear;
  std::uint32_t configAddress_ = 0;
  std::uint64_t portSucceeded_ = 0;
  std::uint64_t mapSucceeded_ = 0;
  std::optional<InjectedFailure> injected_;
  std::uint64_t requests_ = 0;
  std::uint64_t nextInterrupt_ = UINT64_MAX;
  std::vector<std::uint64_t> laterInterrupts_;  // the moments after the next, latest first
  std::function<void()> deliverInterrupt_;
  std::function<void(std::uint64_t)> beforeRequest_;
};

}  // namespace rz::sim
