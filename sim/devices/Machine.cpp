// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/Machine.h"

#include <algorithm>
#include <functional>
#include <string>

namespace rz::sim {

PciDevice& Machine::AddDevice(std::uint8_t bus, std::uint8_t device, std::unique_ptr<PciDevice> d) {
  const auto [it, added] = devices_.try_emplace(static_cast<std::uint16_t>(bus << 8 | device));
  if (!added)
    throw std::logic_error("a device already sits at bus " + std::to_string(bus) + " device " +
                           std::to_string(device));
  it->second = std::move(d);
  ListWindowDevices();
  ForgetResolution();
  return *it->second;
}

std::unique_ptr<PciDevice> Machine::RemoveDevice(std::uint8_t bus, std::uint8_t device) {
  auto node = devices_.extract(static_cast<std::uint16_t>(bus << 8 | device));
  ListWindowDevices();
  ForgetResolution();
  return node ? std::move(node.mapped()) : nullptr;
}

void Machine::ListWindowDevices() {
  windowDevices_.clear();
  for (auto& [key, dev] : devices_)
    if (dev->Identity().bar0Size != 0) windowDevices_.push_back(dev.get());
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

void Machine::PortWrite32(std::uint16_t port, std::uint32_t value) {
  if (port == 0xCF8) configAddress_ = value;
  if (port == 0xCFC) ConfigWrite(configAddress_, value);
}

std::uint32_t Machine::PortRead32(std::uint16_t port) {
  if (port == 0xCF8) return configAddress_;
  if (port == 0xCFC) return ConfigRead(configAddress_);
  return 0xFFFFFFFFu;
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

bool Machine::InjectFailure(const InjectedFailure& what) {
  if (!faults_.failRequestAt || *faults_.failRequestAt != DriverRequests()) return false;
  injected_ = what;
  ++counters_.failedRequests;
  return true;
}

bool Machine::Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear) {
  if (beforeRequest_) beforeRequest_(DriverRequests());
  CountRequest();
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
    ForgetResolution();
  } else if (!injected) {
    ++counters_.failedRequests;
  }
  trace_.Record({clock_.Now(), TraceKind::Map, physical, linear, 0, length});
  return !fail;
}

bool Machine::Unmap(std::uint32_t linear) {
  if (beforeRequest_) beforeRequest_(DriverRequests());
  CountRequest();
  clock_.Advance(costs_.mapRequestNs);
  const bool injected = InjectFailure({RequestKind::Unmap, 0, false});
  ++counters_.unmapRequests;
  trace_.Record({clock_.Now(), TraceKind::Unmap, linear, 0, 0, 0});
  if (injected) return false;
  ForgetResolution();
  return mappings_.erase(linear) == 1;
}

const Machine::Mapping* Machine::FindMapping(std::uint32_t linear, std::uint32_t& inMapping) {
  // Live mappings never overlap, so an address inside the remembered one belongs to it alone.
  if (!lastMapping_ || linear - lastMappingBase_ >= lastMapping_->length) {
    auto it = mappings_.upper_bound(linear);
    if (it == mappings_.begin()) return nullptr;
    --it;
    if (linear - it->first >= it->second.length) return nullptr;
    lastMapping_ = &it->second;
    lastMappingBase_ = it->first;
  }
  inMapping = linear - lastMappingBase_;
  return lastMapping_;
}

PciDevice* Machine::ResolveSlow(std::uint32_t linear, std::uint32_t& offset) {
  offset = 0;
  fast_.length = 0;
  std::uint32_t inMapping = 0;
  const Mapping* m = FindMapping(linear, inMapping);
  if (!m) return nullptr;
  const std::uint32_t physical = m->physical + inMapping;
  for (PciDevice* dev : windowDevices_) {
    if (!dev->MemoryDecoding()) continue;
    const std::uint32_t base = dev->Bar0();
    const std::uint32_t size = dev->Identity().bar0Size;
    if (physical >= base && physical - base < size) {
      offset = physical - base;
      // Remember where this mapping overlaps the window (when its physical range does not wrap
      // around the 32-bit space, where the sum above would).
      const std::uint64_t mapFrom = m->physical;
      const std::uint64_t mapTo = mapFrom + m->length;
      if (windowDevices_.size() == 1 && mapTo <= kLinearLimit) {
        const std::uint64_t from = std::max<std::uint64_t>(mapFrom, base);
        const std::uint64_t to = std::min<std::uint64_t>(mapTo, std::uint64_t{base} + size);
        fast_ = FastResolution{static_cast<std::uint32_t>(lastMappingBase_ + (from - mapFrom)),
                               static_cast<std::uint32_t>(to - from),
                               static_cast<std::uint32_t>(from - base), base, dev};
      }
      return dev;
    }
  }
  return nullptr;
}

// Accesses inside a live mapping but outside any device window answer all ones; only addresses
// outside every live mapping count as invalid.
bool Machine::IsMapped(std::uint32_t linear) {
  std::uint32_t inMapping = 0;
  return FindMapping(linear, inMapping) != nullptr;
}

std::uint8_t Machine::FinishRead8(PciDevice* d, std::uint32_t linear, std::uint32_t offset) {
  std::uint8_t v = 0xFF;
  if (d) v = d->MmioRead8(offset);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemRead, offset, v, 1, 0});
  return v;
}

void Machine::FinishWrite8(PciDevice* d, std::uint32_t linear, std::uint32_t offset,
                           std::uint8_t value) {
  if (d) d->MmioWrite8(offset, value);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemWrite, offset, value, 1, 0});
}

std::uint32_t Machine::FinishRead32(PciDevice* d, std::uint32_t linear, std::uint32_t offset) {
  std::uint32_t v = 0xFFFFFFFFu;
  if (d) v = d->MmioRead32(offset);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemRead, offset, v, 4, 0});
  return v;
}

void Machine::FinishWrite32(PciDevice* d, std::uint32_t linear, std::uint32_t offset,
                            std::uint32_t value) {
  if (d) d->MmioWrite32(offset, value);
  else if (!IsMapped(linear)) ++counters_.invalidAccesses;
  trace_.Record({clock_.Now(), TraceKind::MemWrite, offset, value, 4, 0});
}

void Machine::InterruptAfter(std::vector<std::uint64_t> counts, std::function<void()> deliver) {
  std::sort(counts.begin(), counts.end(), std::greater<>());
  laterInterrupts_ = std::move(counts);
  deliverInterrupt_ = std::move(deliver);
  nextInterrupt_ = UINT64_MAX;
  // Moments already past never come.
  while (!laterInterrupts_.empty() && laterInterrupts_.back() < requests_) laterInterrupts_.pop_back();
  if (!laterInterrupts_.empty()) {
    nextInterrupt_ = laterInterrupts_.back();
    laterInterrupts_.pop_back();
  }
}

void Machine::DeliverInterrupts() {
  // One delivery for each moment named at this count, then the next moment is armed.
  const std::uint64_t now = nextInterrupt_;
  std::size_t times = 1;
  while (!laterInterrupts_.empty() && laterInterrupts_.back() == now) {
    laterInterrupts_.pop_back();
    ++times;
  }
  nextInterrupt_ = UINT64_MAX;
  if (!laterInterrupts_.empty()) {
    nextInterrupt_ = laterInterrupts_.back();
    laterInterrupts_.pop_back();
  }
  for (std::size_t i = 0; i < times; ++i)
    if (deliverInterrupt_) deliverInterrupt_();
}

void Machine::Sleep(std::uint32_t milliseconds) {
  clock_.Advance(std::uint64_t{milliseconds} * kMillisecond);
  ++counters_.sleeps;
  counters_.sleptMs += milliseconds;
  trace_.Record({clock_.Now(), TraceKind::Sleep, 0, milliseconds, 0, 0});
}

}  // namespace rz::sim
