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
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>

#include "hw/DriverProtocol.h"
#include "sim/BusTrace.h"
#include "sim/PciDevice.h"
#include "sim/VirtualClock.h"

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
  // The one request with this number fails, counting every port, map and unmap request of the
  // machine from 0 (the number a request gets is RequestsSoFar() before it); the others succeed.
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
  // Port, map and unmap requests received so far.
  std::uint64_t RequestsSoFar() const {
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

  // One port request as the driver receives it; false when the request fails.
  bool PortRequest(hw::PortAccessRequest& request);
  // Maps [physical, physical+length); false on failure. Unknown ranges map but answer all ones.
  bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear);
  bool Unmap(std::uint32_t linear);

  std::uint8_t Read8(std::uint32_t linear);
  void Write8(std::uint32_t linear, std::uint8_t value);
  std::uint32_t Read32(std::uint32_t linear);
  void Write32(std::uint32_t linear, std::uint32_t value);

  void Sleep(std::uint32_t milliseconds);

 private:
  struct Mapping {
    std::uint32_t physical;
    std::uint32_t length;
    std::uint64_t span;  // linear range reserved for it, from its base
  };
  // A free linear range of `span` bytes; nullopt when none is left.
  std::optional<std::uint32_t> AllocateLinear(std::uint64_t span);
  // Finds the device window and offset behind a linear address; null when none.
  PciDevice* Resolve(std::uint32_t linear, std::uint32_t& offset);
  bool IsMapped(std::uint32_t linear) const;
  // Counts the request about to be served; true when failRequestAt makes it fail.
  bool InjectFailure(const InjectedFailure& what);
  std::uint32_t ConfigRead(std::uint32_t address);
  void ConfigWrite(std::uint32_t address, std::uint32_t value);

  VirtualClock clock_;
  BusTrace trace_;
  CostModel costs_;
  RequestFaults faults_;
  RequestCounters counters_;
  std::map<std::uint16_t, std::unique_ptr<PciDevice>> devices_;  // key: bus << 8 | device
  std::map<std::uint32_t, Mapping> mappings_;                     // key: linear base
  static constexpr std::uint64_t kFirstLinear = 0x10000000;
  static constexpr std::uint64_t kLinearLimit = 0x100000000;
  std::uint64_t nextLinear_ = kFirstLinear;
  std::uint32_t configAddress_ = 0;
  std::uint64_t portSucceeded_ = 0;
  std::uint64_t mapSucceeded_ = 0;
  std::optional<InjectedFailure> injected_;
};

}  // namespace rz::sim
