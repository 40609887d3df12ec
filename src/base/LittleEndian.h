// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian encoding and decoding of fixed-width integers in byte buffers.
// Every multi-byte value read from a file, an image or a request buffer goes through here.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace rz::le {

// On a little-endian host the bytes are the value's own: one copy, which the compiler turns into a
// single load or store (the request buffers of every driver call go through here).
inline constexpr bool kNativeLittle = std::endian::native == std::endian::little;

inline std::uint16_t Get16(const std::uint8_t* p) {
  if constexpr (kNativeLittle) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  if constexpr (kNativeLittle) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void Put16(std::uint8_t* p, std::uint16_t v) {
  if constexpr (kNativeLittle) {
    std::memcpy(p, &v, 2);
    return;
  }
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  if constexpr (kNativeLittle) {
    std::memcpy(p, &v, 4);
    return;
  }
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Bounds-checked reads: false when the value does not lie wholly inside the buffer.
inline bool Read16(std::span<const std::uint8_t> b, std::size_t off, std::uint16_t& v) {
  if (off > b.size() || b.size() - off < 2) return false;
  v = Get16(b.data() + off);
  return true;
}
inline bool Read32(std::span<const std::uint8_t> b, std::size_t off, std::uint32_t& v) {
  if (off > b.size() || b.size() - off < 4) return false;
  v = Get32(b.data() + off);
  return true;
}

}  // namespace rz::le
