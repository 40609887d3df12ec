// The physical ranges the I/O driver has mapped into this process, by the 32-bit linear address it
// returned for each. Accesses through a mapping are checked against these ranges first, so that a
// stale or wrong address is refused instead of touching whatever memory lies there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>

namespace rz::platform {

class MappedRanges {
 public:
  // Records `length` bytes visible at `linear`, made through the device handle `owner`. Refused
  // (false) for address 0, an empty range, one that leaves the 32-bit space, or one that overlaps
  // a live range.
  bool Add(std::uint32_t linear, std::uint32_t length, std::uint64_t owner);
  void Remove(std::uint32_t linear);
  // Forgets every range made through `owner` (its device handle was closed).
  void RemoveOwnedBy(std::uint64_t owner);
  // Where `size` bytes at `linear` are in this process; null unless they lie inside one range.
  volatile std::uint8_t* Resolve(std::uint32_t linear, std::uint32_t size) const;
  std::size_t Count() const { return ranges_.size(); }

 private:
  struct Range {
    std::uint32_t length;
    std::uint64_t owner;
  };
  std::map<std::uint32_t, Range> ranges_;  // by linear address of the start
};

}  // namespace rz::platform
