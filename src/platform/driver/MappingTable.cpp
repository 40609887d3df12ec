// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/driver/MappingTable.h"

namespace rz::platform {
namespace {
constexpr std::uint64_t kFirstFree = 0x10000000;
constexpr std::uint64_t kSpaceEnd = 0x100000000;
}  // namespace

std::uint64_t MappingTable::ClashEnd(std::uint64_t from, std::uint64_t to) const {
  // Live spans never overlap, so only the last one starting before `from` and the first one
  // starting at or after it can reach into [from, to).
  const auto next = mappings_.lower_bound(static_cast<std::uint32_t>(from));
  if (next != mappings_.begin()) {
    const auto before = std::prev(next);
    if (before->first + before->second.span > from) return before->first + before->second.span;
  }
  if (next != mappings_.end() && next->first < to) return next->first + next->second.span;
  return 0;
}

bool MappingTable::Add(std::uint32_t linear, std::uint64_t span, std::uint32_t physical,
                       std::unique_ptr<MappedMemory> memory, std::uint64_t owner) {
  if (linear == 0 || span == 0 || !memory || memory->Length() > span) return false;
  if (linear + span > kSpaceEnd || ClashEnd(linear, linear + span) != 0) return false;
  mappings_.emplace(linear, Mapping{std::move(memory), physical, span, owner});
  return true;
}

bool MappingTable::Remove(std::uint32_t linear) { return mappings_.erase(linear) == 1; }

void MappingTable::RemoveOwnedBy(std::uint64_t owner) {
  std::erase_if(mappings_, [owner](const auto& entry) { return entry.second.owner == owner; });
}

std::uint32_t MappingTable::FreeRange(std::uint64_t span) {
  if (span == 0) return 0;
  for (int pass = 0; pass < 2; ++pass) {
    std::uint64_t at = nextFree_;
    while (at + span <= kSpaceEnd) {
      const std::uint64_t clashEnd = ClashEnd(at, at + span);
      if (clashEnd == 0) {
        nextFree_ = at + span;
        return static_cast<std::uint32_t>(at);
      }
      at = clashEnd;
    }
    nextFree_ = kFirstFree;  // used up: start again around the live mappings
  }
  return 0;
}

MappedMemory* MappingTable::Resolve(std::uint32_t linear, std::uint32_t size,
                                    std::uint32_t& offset) {
  auto it = mappings_.upper_bound(linear);
  if (it != mappings_.begin()) {
    --it;
    const Mapping& m = it->second;
    offset = linear - it->first;
    const bool aligned = size != 4 || (m.physical + offset) % 4 == 0;
    if (std::uint64_t{offset} + size <= m.memory->Length() && aligned) return m.memory.get();
  }
  ++invalidAccesses_;
  return nullptr;
}

std::uint8_t MappingTable::Read8(std::uint32_t linear) {
  std::uint32_t offset = 0;
  MappedMemory* m = Resolve(linear, 1, offset);
  return m ? m->Read8(offset) : 0xFF;
}

void MappingTable::Write8(std::uint32_t linear, std::uint8_t value) {
  std::uint32_t offset = 0;
  if (MappedMemory* m = Resolve(linear, 1, offset)) m->Write8(offset, value);
}

std::uint32_t MappingTable::Read32(std::uint32_t linear) {
  std::uint32_t offset = 0;
  MappedMemory* m = Resolve(linear, 4, offset);
  return m ? m->Read32(offset) : 0xFFFFFFFFu;
}

void MappingTable::Write32(std::uint32_t linear, std::uint32_t value) {
  std::uint32_t offset = 0;
  if (MappedMemory* m = Resolve(linear, 4, offset)) m->Write32(offset, value);
}

}  // namespace rz::platform
