#include "sim/Machine.h"

#include <string>

namespace rz::sim {

PciDevice& Machine::AddDevice(std::uint8_t bus, std::uint8_t device, std::unique_ptr<PciDevice> d) {
  const auto [it, added] = devices_.try_emplace(static_cast<std::uint16_t>(bus << 8 | device));
  if (!added)
    throw std::logic_error("a device already sits at bus " + std::to_string(bus) + " device " +
                           std::to_string(device));
  it->second = std::move(d);
  return *it->second;
}

std::unique_ptr<PciDevice> Machine::RemoveDevice(std::uint8_t bus, std::uint8_t device) {
  auto node = devices_.extract(static_cast<std::uint16_t>(bus << 8 | device));
  return node ? std::move(node.mapped()) : nullptr;
}

PciDevice* Machine::DeviceAt(std::uint8_t bus, std::uint8_t device) {
  auto it = devices_.find(static_cast<std::uint16_t>(bus << 8 | device));
  return it == devices_.end() ? nullptr : it->second.get();
}

std::uint32_t Machine::ConfigRead(std::uint32_t address) {
  if (!(address & 0x80000000u)) return 0xFFFFFFFFu;
  const auto bus = static_cast<std::uint8_t>(address >> 16);
  const auto dev = static_cast<std::uint8_t>((address >> 11) & 0x1F);
  const auto fn = (address >> 8) & 0x7;
  PciDevice* d = DeviceAt(bus, dev);
  if (!d || fn != 0) return 0xFFFFFFFFu;
  return d->ConfigRead(static_cast<std::uint8_t>(address & 0xFC));
}

void Machine::ConfigWrite(std::uint32_t address, std::uint32_t value) {
  if (!(address & 0x80000000u)) return;
  const auto bus = static_cast<std::uint8_t>(address >> 16);
  const auto dev = static_cast<std::uint8_t>((address >> 11) & 0x1F);
  if (((address >> 8) & 0x7) != 0) return;
  if (PciDevice* d = DeviceAt(bus, dev)) d->ConfigWrite(static_cast<std::uint8_t>(address & 0xFC), value);
}

bool Machine::InjectFailure(const InjectedFailure& what) {
  if (!faults_.failRequestAt || *faults_.failRequestAt != RequestsSoFar()) return false;
  injected_ = what;
  ++counters_.failedRequests;
  return true;
}

bool Machine::PortRequest(hw::PortAccessRequest& r) {
  clock_.Advance(costs_.portRequestNs);
  const bool write = r.direction == hw::kPortDirectionWrite;
  const bool injected = InjectFailure({RequestKind::Port, r.port, write});
  ++counters_.portRequests;
  if (injected) return false;
  if (faults_.portFailAfter && portSucceeded_ >= *faults_.portFailAfter) {
    ++counters_.failedRequests;
    return false;
  }
  ++portSucceeded_;
  if (write) {
    if (r.port == kDelayPort) ++counters_.delayPortWrites;
    if (r.width == 4 && r.port == 0xCF8) configAddress_ = r.data;
    if (r.width == 4 && r.port == 0xCFC) ConfigWrite(configAddress_, r.data);
  } else {
    std::uint32_t v = 0xFFFFFFFFu;
    if (r.width == 4 && r.port == 0xCF8) v = configAddress_;
    if (r.width == 4 && r.port == 0xCFC) v = ConfigRead(configAddress_);
    if (r.width == 1) v &= 0xFF;
    if (r.width == 2) v &= 0xFFFF;
    r.data = v;
  }
  trace_.Record({clock_.Now(), write ? TraceKind::PortWrite : TraceKind::PortRead, r.port, r.data,
                 static_cast<std::uint8_t>(r.width), 0});
  return true;
}

std::optional<std::uint32_t> Machine::AllocateLinear(std::uint64_t span) {
  for (int pass = 0; pass < 2; ++pass) {
    std::uint64_t at = nextLinear_;
    while (at + span <= kLinearLimit) {
      std::uint64_t clashEnd = 0;
      for (const auto& [base, m] : mappings_) {
        if (base < at + span && at < base + m.span) {
          clashEnd = base + m.span;
          break;
        }
      }
      if (clashEnd == 0) {
        nextLinear_ = at + span;
        return static_cast<std::uint32_t>(at);
      }
      at = clashEnd;
    }
    nextLinear_ = kFirstLinear;  // used up: start again around the live mappings
  }
  return std::nullopt;
}

bool Machine::Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear) {
  clock_.Advance(costs_.mapRequestNs);
  const bool injected = InjectFailure({RequestKind::Map, 0, false});
  ++counters_.mapRequests;
  linear = 0;
  // Each mapping gets its own range, rounded up to 64 MiB.
  const std::uint64_t span = (std::uint64_t{length} + 0x3FFFFFF) & ~std::uint64_t{0x3FFFFFF};
  bool fail = injected || (faults_.mapFailAfter && mapSucceeded_ >= *faults_.mapFailAfter) ||
              length == 0;
  std::optional<std::uint32_t> at;
  if (!fail) at = AllocateLinear(span);
  fail = fail || !at;
  if (!fail) {
    ++mapSucceeded_;
    linear = *at;
    mappings_[linear] = Mapping{physical, length, span};
  } else if (!injected) {
    ++counters_.failedRequests;
  }
  trace_.Record({clock_.Now(), TraceKind::Map, physical, linear, 0, length});
  return !fail;
}

bool Machine::Unmap(std::uint32_t linear) {
  clock_.Advance(costs_.mapRequestNs);
  const bool injected = InjectFailure({RequestKind::Unmap, 0, false});
  ++counters_.unmapRequests;
  trace_.Record({clock_.Now(), TraceKind::Unmap, linear, 0, 0, 0});
  return !injected && mappings_.erase(linear) == 1;
}

PciDevice* Machine::Resolve(std::uint32_t linear, std::uint32_t& offset) {
  auto it = mappings_.upper_bound(linear);
  if (it == mappings_.begin()) return nullptr;
  --it;
  const std::uint32_t inMapping = linear - it->first;
  if (inMapping >= it->second.length) return nullptr;
  const std::uint32_t physical = it->second.physical + inMapping;
  for (auto& [key, dev] : devices_) {
    const auto& id = dev->Identity();
    if (id.bar0Size == 0 || !dev->MemoryDecoding()) continue;
    const std::uint32_t base = dev->Bar0();
    if (physical >= base && physical - base < id.bar0Size) {
      offset = physical - base;
      return dev.get();
    }
  }
  offset = 0;
  return nullptr;
}

// Accesses inside a live mapping but outside any device window answer all ones; only addresses
// outside every live mapping count as invalid.
bool Machine::IsMapped(std::uint32_t linear) const {
  auto it = mappings_.upper_bound(linear);
  if (it == mappings_.begin()) return false;
  --it;
  return linear - it->first < it->second.length;
}

std::uint8_t Machine::Read8(std::uint32_t linear) {
  clock_.Advance(costs_.memReadNs);
  ++counters_.memReads;
  std::uint32_t offset = 0;
  PciDevice* d = Resolve(linear, offset);
  std::uint8_t v = 0xFF;
  if (d) v = d->MmioRead8(offset);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemRead, offset, v, 1, 0});
  return v;
}

void Machine::Write8(std::uint32_t linear, std::uint8_t value) {
  clock_.Advance(costs_.memWriteNs);
  ++counters_.memWrites;
  std::uint32_t offset = 0;
  PciDevice* d = Resolve(linear, offset);
  if (d) d->MmioWrite8(offset, value);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemWrite, offset, value, 1, 0});
}

std::uint32_t Machine::Read32(std::uint32_t linear) {
  clock_.Advance(costs_.memReadNs);
  ++counters_.memReads;
  std::uint32_t offset = 0;
  PciDevice* d = Resolve(linear, offset);
  std::uint32_t v = 0xFFFFFFFFu;
  if (d) v = d->MmioRead32(offset);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemRead, offset, v, 4, 0});
  return v;
}

void Machine::Write32(std::uint32_t linear, std::uint32_t value) {
  clock_.Advance(costs_.memWriteNs);
  ++counters_.memWrites;
  std::uint32_t offset = 0;
  PciDevice* d = Resolve(linear, offset);
  if (d) d->MmioWrite32(offset, value);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemWrite, offset, value, 4, 0});
}

void Machine::Sleep(std::uint32_t milliseconds) {
  clock_.Advance(std::uint64_t{milliseconds} * kMillisecond);
  ++counters_.sleeps;
  counters_.sleptMs += milliseconds;
  trace_.Record({clock_.Now(), TraceKind::Sleep, 0, milliseconds, 0, 0});
}

}  // namespace rz::sim
