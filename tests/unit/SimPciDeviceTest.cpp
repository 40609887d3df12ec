// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated boards' base-address registers through configuration mechanism 1, as an operating
// system sizes them: all ones written, the size mask read back, the original written back.
#include <gtest/gtest.h>

#include "sim/devices/Cards.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

class SimPciBars : public ::testing::Test {
 protected:
  std::uint32_t Config(std::uint8_t offset, std::optional<std::uint32_t> write = std::nullopt) {
    Port(0xCF8, 0x80010000u | offset, true);  // bus 1, device 0
    return Port(0xCFC, write.value_or(0), write.has_value());
  }
  std::uint32_t Port(std::uint16_t port, std::uint32_t value, bool write) {
    platform::PortAccessRequest r;
    r.port = port;
    r.width = 4;
    r.direction = write ? platform::kPortDirectionWrite : 0;
    r.data = value;
    EXPECT_TRUE(h.Machine().PortRequest(r));
    return r.data;
  }

  SimHarness h{json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})}}};
};

TEST_F(SimPciBars, EveryBarAnswersTheSizingProtocol) {
  const std::uint64_t framebuffer = sim::DefaultFramebuffer(0);
  struct Case {
    std::uint8_t offset;
    const char* what;
    std::uint32_t original, mask;
  } cases[] = {
      {0x10, "BAR0: 16 MiB of registers, 32-bit", sim::DefaultBar0(0), 0xFF000000u},
      {0x14, "BAR1: 256 MiB framebuffer, 64-bit prefetchable",
       static_cast<std::uint32_t>(framebuffer) | 0xC, 0xF000000Cu},
      {0x18, "BAR2: the framebuffer's upper half", static_cast<std::uint32_t>(framebuffer >> 32),
       0xFFFFFFFFu},
      {0x1C, "BAR3: none", 0, 0},
      {0x20, "BAR4: none", 0, 0},
      {0x24, "BAR5: none", 0, 0},
      {0x30, "expansion ROM: 128 KiB, enable bit", 0, 0xFFFE0001u},
  };
  ASSERT_EQ(sim::kCardRegisterSize, 0x1000000u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Config(c.offset), c.original);
    Config(c.offset, 0xFFFFFFFFu);
    EXPECT_EQ(Config(c.offset), c.mask);
    Config(c.offset, c.original);
    EXPECT_EQ(Config(c.offset), c.original);
  }
  // A base that is not a multiple of the size keeps only the bits above it.
  Config(0x10, 0xD0123456u);
  EXPECT_EQ(Config(0x10), 0xD0000000u);
  Config(0x30, 0xE0031001u);
  EXPECT_EQ(Config(0x30), 0xE0020001u);
  // Registers that are no BAR are not changed by the protocol.
  Config(0x00, 0xFFFFFFFFu);
  EXPECT_EQ(Config(0x00), 0x019110DEu);
}

}  // namespace
}  // namespace rz::test
