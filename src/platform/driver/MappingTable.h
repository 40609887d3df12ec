// SPDX-License-Identifier: GPL-3.0-or-later
// The mappings a driver device has made, by the 32-bit linear address each was handed out at, and
// the accesses through them. Each mapping reserves a range of linear addresses (its span) and
// reaches memory over the first part of it; live spans never overlap, so an address belongs to
// one mapping at most, and an access through a stale or wrong address is refused (counted) rather
// than touching whatever lies there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/driver/MappedMemory.h"

namespace rz::platform {

class MappingTable {
 public:
  // Records `memory` (its Length() bytes) at `linear`, reserving `span` addresses (at least the
  // memory's length) for it, made through `owner` from `physical` on. Refused for address 0, an
  // empty span, a span that leaves the 32-bit space, or one that overlaps a live span.
  bool Add(std::uint32_t linear, std::uint64_t span, std::uint32_t physical,
           std::unique_ptr<MappedMemory> memory, std::uint64_t owner = 0);
  // Removes the mapping that starts at `linear`; false when none does.
  bool Remove(std::uint32_t linear);
  bool Contains(std::uint32_t linear) const { return mappings_.count(linear) != 0; }
  // Forgets every mapping made through `owner`.
  void RemoveOwnedBy(std::uint64_t owner);
  void Clear() { mappings_.clear(); }
  std::size_t Count() const { return mappings_.size(); }

  // For devices that hand out the addresses themselves: the start of a free range of `span`
  // addresses, searched from after the last one handed out; 0 when none is left. Addresses start
  // at 0x10000000 and do not come back until the 32-bit space is used up, and then only those of
  // removed mappings.
  std::uint32_t FreeRange(std::uint64_t span);

  // Outside the memory of every live mapping reads answer all ones and writes are dropped, both
  // counted. A 4-byte access must also be at a physical address that is a multiple of 4, as device
  // registers need one access of their full width.
  std::uint8_t Read8(std::uint32_t linear);
  void Write8(std::uint32_t linear, std::uint8_t value);
  std::uint32_t Read32(std::uint32_t linear);
  void Write32(std::uint32_t linear, std::uint32_t value);
  std::uint64_t InvalidAccesses() const { return invalidAccesses_; }

 private:
  struct Mapping {
    std::unique_ptr<MappedMemory> memory;
    std::uint32_t physical = 0;
    std::uint64_t span = 0;
    std::uint64_t owner = 0;
  };

  // The memory holding `size` bytes at `linear`, and their offset into it; null (counted) when
  // none does.
  MappedMemory* Resolve(std::uint32_t linear, std::uint32_t size, std::uint32_t& offset);
  // The end of the live span that reaches into [from, to); 0 when none does.
  std::uint64_t ClashEnd(std::uint64_t from, std::uint64_t to) const;

  std::map<std::uint32_t, Mapping> mappings_;  // by the linear address of the start
  std::uint64_t nextFree_ = 0x10000000;
  std::uint64_t invalidAccesses_ = 0;
};

}  // namespace rz::platform
