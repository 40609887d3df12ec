// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/DriverRequestCases.h"

#include <gtest/gtest.h>

#include "base/LittleEndian.h"

namespace rz::test {

using platform::RequestFault;

namespace {

std::vector<std::uint8_t> Port(std::uint16_t port, std::uint16_t width) {
  const auto b = platform::EncodePortAccess(
      platform::PortAccessRequest{port, 0, 0, platform::kPortDirectionRead, width});
  return {b.begin(), b.end()};
}

std::vector<std::uint8_t> Map(std::uint32_t physical, std::uint32_t length) {
  const auto b = platform::EncodePhysMap(platform::PhysMapRequest{physical, length});
  return {b.begin(), b.end()};
}

std::vector<std::uint8_t> Sized(std::vector<std::uint8_t> b, std::size_t size) {
  b.resize(size);
  return b;
}

bool Map(platform::DriverDevice& device, platform::DeviceHandle handle, std::uint32_t physical,
         std::uint32_t length, std::uint32_t& linear) {
  const auto in = Map(physical, length);
  std::uint8_t out[4] = {};
  const bool ok = device.Control(handle, platform::kIoctlMapPhysToLinear, in.data(), 8, out, 4);
  linear = le::Get32(out);
  return ok;
}

bool Unmap(platform::DriverDevice& device, platform::DeviceHandle handle, std::uint32_t linear) {
  std::uint8_t b[4];
  le::Put32(b, linear);
  return device.Control(handle, platform::kIoctlUnmapPhysToLinear, b, 4, b, 4);
}

}  // namespace

std::vector<DriverRequestCase> MalformedDriverRequests() {
  using platform::kIoctlAccessPortData;
  using platform::kIoctlMapPhysToLinear;
  using platform::kIoctlUnmapPhysToLinear;
  const std::vector<std::uint8_t> token = {0x00, 0x00, 0x00, 0x10};
  return {
      {"port width 0", kIoctlAccessPortData, Port(0x80, 0), 12, RequestFault::PortWidth},
      {"port width 3", kIoctlAccessPortData, Port(0x80, 3), 12, RequestFault::PortWidth},
      {"port width 8", kIoctlAccessPortData, Port(0x80, 8), 12, RequestFault::PortWidth},
      {"word at the last port", kIoctlAccessPortData, Port(0xFFFF, 2), 12, RequestFault::PortRange},
      {"dword past the last port", kIoctlAccessPortData, Port(0xFFFE, 4), 12,
       RequestFault::PortRange},
      {"port request short", kIoctlAccessPortData, Sized(Port(0x80, 1), 11), 12,
       RequestFault::BufferSizes},
      {"port request long", kIoctlAccessPortData, Sized(Port(0x80, 1), 13), 12,
       RequestFault::BufferSizes},
      {"port answer short", kIoctlAccessPortData, Port(0x80, 1), 11, RequestFault::BufferSizes},
      {"port request missing", kIoctlAccessPortData, Port(0x80, 1), 12, RequestFault::BufferSizes,
       true},
      {"unknown function", 0x9C40258Cu, Port(0x80, 1), 12, RequestFault::UnknownCode},
      {"port code, other method", kIoctlAccessPortData + 1, Port(0x80, 1), 12,
       RequestFault::UnknownCode},
      {"code 0", 0, Port(0x80, 1), 12, RequestFault::UnknownCode},
      {"map request short", kIoctlMapPhysToLinear, Sized(Map(0x1000, 0x100), 7), 4,
       RequestFault::BufferSizes},
      {"map answer short", kIoctlMapPhysToLinear, Map(0x1000, 0x100), 3, RequestFault::BufferSizes},
      {"map answer long", kIoctlMapPhysToLinear, Map(0x1000, 0x100), 8, RequestFault::BufferSizes},
      {"map of nothing", kIoctlMapPhysToLinear, Map(0x1000, 0), 4, RequestFault::EmptyMap},
      {"map past 4 GiB", kIoctlMapPhysToLinear, Map(0xFFFFF000, 0x1001), 4,
       RequestFault::MapWraps},
      {"map of the last byte and one more", kIoctlMapPhysToLinear, Map(0xFFFFFFFF, 2), 4,
       RequestFault::MapWraps},
      {"map length that wraps", kIoctlMapPhysToLinear, Map(0x80000000, 0xFFFFFFFF), 4,
       RequestFault::MapWraps},
      {"unmap request short", kIoctlUnmapPhysToLinear, Sized(token, 3), 4,
       RequestFault::BufferSizes},
      {"unmap request long", kIoctlUnmapPhysToLinear, Sized(token, 8), 4,
       RequestFault::BufferSizes},
  };
}

void ExpectMalformedRequestsRefused(
    platform::DriverDevice& device, platform::DeviceHandle handle,
    const std::function<void(const DriverRequestCase&)>& afterEach) {
  for (const DriverRequestCase& c : MalformedDriverRequests()) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> out(16, 0xA5);
    const std::uint8_t* in = c.nullIn ? nullptr : c.in.data();
    EXPECT_FALSE(device.Control(handle, c.code, in, static_cast<std::uint32_t>(c.in.size()),
                                out.data(), c.outSize));
    EXPECT_EQ(out, std::vector<std::uint8_t>(16, 0xA5)) << "the answer buffer was written";
    if (afterEach) afterEach(c);
  }
}

void ExpectMappingRules(platform::DriverDevice& device, platform::DeviceHandle handle,
                        std::uint32_t physical) {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  ASSERT_TRUE(Map(device, handle, physical, 0x1000, first));
  ASSERT_TRUE(Map(device, handle, physical + 0x800, 0x1000, second)) << "overlapping physically";
  EXPECT_NE(first, 0u);
  EXPECT_TRUE(std::uint64_t{first} + 0x1000 <= second || std::uint64_t{second} + 0x1000 <= first)
      << std::hex << first << " " << second;
  EXPECT_FALSE(Unmap(device, handle, second + 4)) << "no mapping starts there";
  EXPECT_FALSE(Unmap(device, handle, 0x0BAD0000)) << "never handed out";
  EXPECT_TRUE(Unmap(device, handle, first));
  EXPECT_FALSE(Unmap(device, handle, first)) << "already unmapped";
  EXPECT_TRUE(Unmap(device, handle, second));
}

}  // namespace rz::test
