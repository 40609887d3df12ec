// SPDX-License-Identifier: GPL-3.0-or-later
// The driver protocol's one checker, the emulated device behind it, and the mapping table every
// real device keeps.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/driver/DriverFacts.h"
#include "platform/driver/DriverServer.h"
#include "platform/driver/MappingTable.h"
#include "sim/seams/EmulatedServices.h"
#include "support/DriverRequestCases.h"

namespace rz::test {
namespace {

using platform::RequestFault;

TEST(DriverServer, NamesTheFaultOfEveryMalformedRequestAndPassesTheEdges) {
  std::uint8_t out[16] = {};
  for (const DriverRequestCase& c : MalformedDriverRequests()) {
    EXPECT_EQ(platform::CheckDriverRequest(c.code, c.nullIn ? nullptr : c.in.data(),
                                           static_cast<std::uint32_t>(c.in.size()), out, c.outSize),
              c.fault)
        << c.name;
  }
  const auto lastPort = platform::EncodePortAccess({0xFFFF, 0, 0, platform::kPortDirectionRead, 1});
  const auto lastDword = platform::EncodePortAccess({0xFFFC, 0, 0, platform::kPortDirectionWrite, 4});
  const auto lastPage = platform::EncodePhysMap({0xFFFFF000, 0x1000});
  const std::uint8_t token[4] = {0, 0, 0, 0x10};
  EXPECT_EQ(platform::CheckDriverRequest(platform::kIoctlAccessPortData, lastPort.data(), 12, out, 12),
            RequestFault::None);
  EXPECT_EQ(platform::CheckDriverRequest(platform::kIoctlAccessPortData, lastDword.data(), 12, out, 12),
            RequestFault::None);
  EXPECT_EQ(platform::CheckDriverRequest(platform::kIoctlMapPhysToLinear, lastPage.data(), 8, out, 4),
            RequestFault::None);
  EXPECT_EQ(platform::CheckDriverRequest(platform::kIoctlUnmapPhysToLinear, token, 4, out, 4),
            RequestFault::None);
}

TEST(DriverServer, TheEmulatedDeviceRefusesWhatEveryDeviceRefuses) {
  sim::Machine machine;
  sim::EmulatedServiceControl services;
  services.InstallLeftoverService(true, "/x/ZPCIDrv.sys");
  sim::EmulatedDriverDevice device(machine, services);
  const auto handle = device.Open(platform::kDevicePath32);
  ASSERT_NE(handle, platform::kInvalidDeviceHandle);
  const auto before = machine.DriverRequests();
  ExpectMalformedRequestsRefused(device, handle);
  EXPECT_EQ(machine.DriverRequests(), before)
      << "a malformed request reached the machine";
  ExpectMappingRules(device, handle, 0x1000);
  EXPECT_EQ(machine.LiveMappings(), 0u);
}

// Memory that answers each byte with the low byte of its offset.
class OffsetMemory final : public platform::MappedMemory {
 public:
  explicit OffsetMemory(std::uint32_t length) : length_(length) {}
  std::uint32_t Length() const override { return length_; }
  std::uint8_t Read8(std::uint32_t offset) override { return static_cast<std::uint8_t>(offset); }
  void Write8(std::uint32_t offset, std::uint8_t) override { written.push_back(offset); }
  std::uint32_t Read32(std::uint32_t offset) override { return offset; }
  void Write32(std::uint32_t offset, std::uint32_t) override { written.push_back(offset); }
  std::vector<std::uint32_t> written;

 private:
  std::uint32_t length_;
};

TEST(MappingTable, ReachesOnlyTheMemoryOfLiveMappings) {
  platform::MappingTable table;
  const std::uint32_t at = 0x20000000;
  ASSERT_TRUE(table.Add(at, 0x2000, 0x1000, std::make_unique<OffsetMemory>(0x1000), 7));
  struct Case {
    std::uint32_t linear;
    bool byteInside;
    bool dwordInside;
  } cases[] = {{at, true, true},          {at + 0xFFC, true, true},  {at + 0xFFD, true, false},
               {at + 0xFFF, true, false}, {at + 0x1000, false, false}, {at + 0x1FFF, false, false},
               {at - 1, false, false},    {0, false, false},         {at + 2, true, false}};
  std::uint64_t refused = 0;
  for (const auto& c : cases) {
    const std::uint32_t offset = c.linear - at;
    EXPECT_EQ(table.Read8(c.linear), c.byteInside ? static_cast<std::uint8_t>(offset) : 0xFF)
        << std::hex << c.linear;
    EXPECT_EQ(table.Read32(c.linear), c.dwordInside ? offset : 0xFFFFFFFFu) << std::hex << c.linear;
    refused += !c.byteInside + !c.dwordInside;
  }
  EXPECT_EQ(table.InvalidAccesses(), refused);
  table.Write8(at + 0x1000, 1);
  table.Write32(at + 0x10, 1);
  EXPECT_EQ(table.InvalidAccesses(), refused + 1);
  EXPECT_TRUE(table.Remove(at));
  EXPECT_FALSE(table.Remove(at));
  EXPECT_EQ(table.Read8(at), 0xFF);
}

TEST(MappingTable, RefusesRangesThatCannotBeMappings) {
  platform::MappingTable table;
  const auto memory = [] { return std::make_unique<OffsetMemory>(0x10); };
  ASSERT_TRUE(table.Add(0x20000000, 0x1000, 0, memory(), 1));
  struct Case {
    std::uint32_t linear;
    std::uint64_t span;
    bool added;
  } cases[] = {{0, 0x1000, false},           {0x30000000, 0, false},
               {0xFFFFF000, 0x2000, false},  {0x1FFFF800, 0x1000, false},
               {0x20000800, 0x100, false},   {0x20000FFF, 0x10, false},
               {0x1FFFF000, 0x1000, true},   {0x20001000, 0x1000, true},
               {0xFFFFF000, 0x1000, true},   {0x40000000, 0x8, false}};
  for (const auto& c : cases)
    EXPECT_EQ(table.Add(c.linear, c.span, 0, memory(), 2), c.added) << std::hex << c.linear;
  EXPECT_EQ(table.Count(), 4u);
  table.RemoveOwnedBy(2);
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(table.Read8(0x20000003), 3);
}

TEST(MappingTable, FreeRangesAvoidLiveSpansAndComeBackOnlyWhenTheSpaceIsUsedUp) {
  platform::MappingTable table;
  const std::uint32_t first = table.FreeRange(0x40000000);
  ASSERT_TRUE(table.Add(first, 0x40000000, 0, std::make_unique<OffsetMemory>(0x10)));
  std::uint32_t last = first;
  bool cameBack = false;
  for (int i = 0; i < 6; ++i) {
    const std::uint32_t at = table.FreeRange(0x30000000);
    ASSERT_NE(at, 0u) << i;
    EXPECT_TRUE(at >= first + 0x40000000ull || at + 0x30000000ull <= first) << std::hex << at;
    cameBack = cameBack || at <= last;
    last = at;
  }
  EXPECT_TRUE(cameBack);
  EXPECT_EQ(table.FreeRange(0xB0000001), 0u) << "larger than the space beside the live span";
  EXPECT_EQ(table.FreeRange(0xB0000000), first + 0x40000000u);
}

}  // namespace
}  // namespace rz::test
