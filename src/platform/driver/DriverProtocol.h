// SPDX-License-Identifier: GPL-3.0-or-later
// The request protocol between the program and the I/O driver: control codes and the little-endian
// request buffers. Backends that serve the requests parse them with the same code.
#pragma once
#include <array>
#include <cstdint>

#include "base/LittleEndian.h"

namespace rz::platform {

inline constexpr std::uint32_t kDriverDeviceType = 40000;  // 0x9C40
inline constexpr std::uint32_t kFileAnyAccess = 0;
inline constexpr std::uint32_t kMethodBuffered = 0;

constexpr std::uint32_t MakeControlCode(std::uint32_t deviceType, std::uint32_t function,
                                        std::uint32_t access, std::uint32_t method) {
  return deviceType * 0x10000u + access * 0x4000u + function * 4u + method;
}

inline constexpr std::uint32_t kIoctlMapPhysToLinear =
    MakeControlCode(kDriverDeviceType, 0x960, kFileAnyAccess, kMethodBuffered);
inline constexpr std::uint32_t kIoctlUnmapPhysToLinear =
    MakeControlCode(kDriverDeviceType, 0x961, kFileAnyAccess, kMethodBuffered);
inline constexpr std::uint32_t kIoctlAccessPortData =
    MakeControlCode(kDriverDeviceType, 0x962, kFileAnyAccess, kMethodBuffered);

static_assert(kIoctlMapPhysToLinear == 0x9C402580u);
static_assert(kIoctlUnmapPhysToLinear == 0x9C402584u);
static_assert(kIoctlAccessPortData == 0x9C402588u);

inline constexpr std::uint16_t kPortDirectionRead = 0;
inline constexpr std::uint16_t kPortDirectionWrite = 1;

// 12 bytes: port u16, reserved u16, data u32, direction u16, width u16.
struct PortAccessRequest {
  std::uint16_t port = 0;
  std::uint16_t reserved = 0;
  std::uint32_t data = 0;
  std::uint16_t direction = kPortDirectionRead;
  std::uint16_t width = 4;
};
inline constexpr std::uint32_t kPortAccessRequestSize = 12;

// 8 bytes: physical address u32, length u32. The answer is one u32 linear address.
struct PhysMapRequest {
  std::uint32_t physicalAddress = 0;
  std::uint32_t length = 0;
};
inline constexpr std::uint32_t kPhysMapRequestSize = 8;

// Inline: every port request of a flash is encoded and decoded on both sides of the driver.
inline std::array<std::uint8_t, kPortAccessRequestSize> EncodePortAccess(const PortAccessRequest& r) {
  std::array<std::uint8_t, kPortAccessRequestSize> b{};
  le::Put16(&b[0], r.port);
  le::Put16(&b[2], r.reserved);
  le::Put32(&b[4], r.data);
  le::Put16(&b[8], r.direction);
  le::Put16(&b[10], r.width);
  return b;
}

inline PortAccessRequest DecodePortAccess(const std::uint8_t* b) {
  return PortAccessRequest{le::Get16(b), le::Get16(b + 2), le::Get32(b + 4), le::Get16(b + 8),
                           le::Get16(b + 10)};
}

inline std::array<std::uint8_t, kPhysMapRequestSize> EncodePhysMap(const PhysMapRequest& r) {
  std::array<std::uint8_t, kPhysMapRequestSize> b{};
  le::Put32(&b[0], r.physicalAddress);
  le::Put32(&b[4], r.length);
  return b;
}

inline PhysMapRequest DecodePhysMap(const std::uint8_t* b) {
  return PhysMapRequest{le::Get32(b), le::Get32(b + 4)};
}

}  // namespace rz::platform
