// SPDX-License-Identifier: GPL-3.0-or-later
// Memory that one map request made reachable: the bytes from the requested physical address on,
// read and written 8 or 32 bits at a time. A device's mapping table holds it; on Linux it is an
// mmap'd range of a device file, on Windows the range the driver mapped into this process, and a
// test may put a card's registers behind it.
#pragma once
#include <cstdint>
#include <memory>

namespace rz::platform {

class MappedMemory {
 public:
  virtual ~MappedMemory() = default;
  // Bytes reachable from offset 0 on: what the request asked, or less when the range it starts
  // in ends sooner.
  virtual std::uint32_t Length() const = 0;
  // The caller keeps every access inside Length(); 32-bit accesses are at offsets whose physical
  // address is a multiple of 4.
  virtual std::uint8_t Read8(std::uint32_t offset) = 0;
  virtual void Write8(std::uint32_t offset, std::uint8_t value) = 0;
  virtual std::uint32_t Read32(std::uint32_t offset) = 0;
  virtual void Write32(std::uint32_t offset, std::uint32_t value) = 0;
};

}  // namespace rz::platform
