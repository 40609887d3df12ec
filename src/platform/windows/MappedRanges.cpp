#include "platform/windows/MappedRanges.h"

namespace rz::platform {

bool MappedRanges::Add(std::uint32_t linear, std::uint32_t length, std::uint64_t owner) {
  if (linear == 0 || length == 0) return false;
  const std::uint64_t end = std::uint64_t{linear} + length;
  if (end > 0x100000000ull) return false;
  // The first range starting after `linear`, and the one before it, are the only ones that can
  // overlap.
  const auto next = ranges_.upper_bound(linear);
  if (next != ranges_.end() && next->first < end) return false;
  if (next != ranges_.begin()) {
    const auto before = std::prev(next);
    if (std::uint64_t{before->first} + before->second.length > linear) return false;
  }
  ranges_.emplace(linear, Range{length, owner});
  return true;
}

void MappedRanges::Remove(std::uint32_t linear) { ranges_.erase(linear); }

void MappedRanges::RemoveOwnedBy(std::uint64_t owner) {
  std::erase_if(ranges_, [owner](const auto& entry) { return entry.second.owner == owner; });
}

volatile std::uint8_t* MappedRanges::Resolve(std::uint32_t linear, std::uint32_t size) const {
  auto it = ranges_.upper_bound(linear);
  if (it == ranges_.begin()) return nullptr;
  --it;
  const std::uint64_t offset = linear - it->first;
  if (offset + size > it->second.length) return nullptr;
  // The driver maps the range into this process at the address it returned.
  return reinterpret_cast<volatile std::uint8_t*>(static_cast<std::uintptr_t>(linear));
}

}  // namespace rz::platform
