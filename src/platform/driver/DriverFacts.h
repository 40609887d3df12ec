// SPDX-License-Identifier: GPL-3.0-or-later
// What the program and every backend know about the I/O driver itself: its service, its two
// builds and their devices, and the OS version codes that pick the 64-bit build.
#pragma once
#include <cstdint>

namespace rz::platform {

inline constexpr const char* kDriverServiceName = "ZPCIDrv";
inline constexpr const char* kDriverFile32 = "ZPCIDrv.sys";
inline constexpr const char* kDriverFile64 = "ZPCIDrv64.sys";
inline constexpr const char* kDevicePath32 = "\\\\.\\ZPCIDrv";
inline constexpr const char* kDevicePath64 = "\\\\.\\ZPCIDrv64";

// The maker's OS version codes of 64-bit systems; every other code is a 32-bit one.
inline constexpr std::uint32_t kOsCode64A = 0x20010064;
inline constexpr std::uint32_t kOsCode64B = 0x20070002;
// The codes a backend answers when it decides by itself: a 64-bit system, or not.
inline constexpr std::uint32_t kOwnCode64Bit = kOsCode64A;
inline constexpr std::uint32_t kOwnCode32Bit = 0;

constexpr bool UsesDriver64(std::uint32_t osVersionCode) {
  return osVersionCode == kOsCode64A || osVersionCode == kOsCode64B;
}
constexpr const char* DriverFileFor(std::uint32_t osVersionCode) {
  return UsesDriver64(osVersionCode) ? kDriverFile64 : kDriverFile32;
}
constexpr const char* DevicePathFor(std::uint32_t osVersionCode) {
  return UsesDriver64(osVersionCode) ? kDevicePath64 : kDevicePath32;
}

}  // namespace rz::platform
