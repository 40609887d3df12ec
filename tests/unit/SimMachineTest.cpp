// SPDX-License-Identifier: GPL-3.0-or-later
// Mapped accesses on the emulated bus: which device window answers a linear address, and at which
// offset, while mappings come and go, BARs move, memory decoding is switched and devices are added
// or removed between accesses (the bus remembers its last lookup; none of this may fool it).
#include <gtest/gtest.h>

#include <memory>

#include "sim/devices/Machine.h"

namespace rz::test {
namespace {

// A device whose window answers (tag << 24) | offset and remembers the last offset written.
class WindowProbe : public sim::PciDevice {
 public:
  WindowProbe(std::uint32_t tag, std::uint32_t bar0, std::uint32_t size)
      : PciDevice(Identity(bar0, size)), tag_(tag) {
    SetConfigDword(0x04, 0x00100002u);  // memory decoding on
  }
  std::uint32_t MmioRead32(std::uint32_t offset) override { return tag_ << 24 | offset; }
  std::uint8_t MmioRead8(std::uint32_t offset) override {
    return static_cast<std::uint8_t>(tag_ << 4 | (offset & 0xF));
  }
  void MmioWrite32(std::uint32_t offset, std::uint32_t) override { written = offset; }
  void Decode(bool on) { SetConfigDword(0x04, on ? 0x00100002u : 0x00100000u); }
  void MoveTo(std::uint32_t bar0) { SetConfigDword(0x10, bar0); }

  std::uint32_t written = 0xFFFFFFFFu;

 private:
  static sim::PciIdentity Identity(std::uint32_t bar0, std::uint32_t size) {
    sim::PciIdentity id;
    id.vendorId = 0x10DE;
    id.deviceId = 0x0191;
    id.bar0 = bar0;
    id.bar0Size = size;
    return id;
  }
  std::uint32_t tag_;
};

constexpr std::uint32_t kBar = 0xC0000000u;
constexpr std::uint32_t kSize = 0x1000000u;  // 16 MiB

struct Bus {
  sim::Machine m;
  WindowProbe* a = nullptr;
  Bus() { a = Add(1, 0, 0xA, kBar); }
  WindowProbe* Add(std::uint8_t bus, std::uint8_t dev, std::uint32_t tag, std::uint32_t bar0) {
    return static_cast<WindowProbe*>(
        &m.AddDevice(bus, dev, std::make_unique<WindowProbe>(tag, bar0, kSize)));
  }
  std::uint32_t Map(std::uint32_t physical, std::uint32_t length) {
    std::uint32_t linear = 0;
    EXPECT_TRUE(m.Map(physical, length, linear));
    return linear;
  }
};

TEST(SimMachine, AddressesResolveAcrossTheEdgesOfMappingAndWindow) {
  Bus b;
  // The mapping starts 1 MiB below the window and ends 1 MiB beyond it.
  const std::uint32_t lin = b.Map(kBar - 0x100000u, kSize + 0x200000u);
  struct Case {
    std::uint32_t at;        // offset into the mapping
    std::uint32_t expected;  // what a dword read answers
    bool invalid;            // counted as an access outside every mapping
  } cases[] = {
      {0x100000u, 0x0A000000u, false},            // first byte of the window
      {0x100000u + 0x1234u, 0x0A001234u, false},  // inside
      {0x100000u + kSize - 4, 0x0A000000u | (kSize - 4), false},
      {0x0FFFFCu, 0xFFFFFFFFu, false},            // mapped, below the window
      {0x100000u + kSize, 0xFFFFFFFFu, false},    // mapped, beyond the window
      {kSize + 0x200000u, 0xFFFFFFFFu, true},     // one past the mapping
  };
  // Twice in a row and in reverse, so each answer is given with and without a remembered lookup.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 6; ++i) {
      const Case& c = cases[pass == 0 ? i : 5 - i];
      const std::uint64_t invalidBefore = b.m.InvalidAccesses();
      EXPECT_EQ(b.m.Read32(lin + c.at), c.expected) << std::hex << c.at;
      EXPECT_EQ(b.m.Read32(lin + c.at), c.expected) << std::hex << c.at;
      EXPECT_EQ(b.m.InvalidAccesses() - invalidBefore, c.invalid ? 2u : 0u) << std::hex << c.at;
    }
  }
}

TEST(SimMachine, ChangesBetweenAccessesAreSeenAtOnce) {
  struct Case {
    const char* name;
    void (*change)(Bus& b, std::uint32_t& lin);
    std::uint32_t expected;  // the next read of the word at 0x40 of the first mapping
    std::uint64_t invalid;
  } cases[] = {
      {"nothing", [](Bus&, std::uint32_t&) {}, 0x0A000040u, 0},
      {"decoding off", [](Bus& b, std::uint32_t&) { b.a->Decode(false); }, 0xFFFFFFFFu, 0},
      {"decoding off and on", [](Bus& b, std::uint32_t&) { b.a->Decode(false); b.a->Decode(true); },
       0x0A000040u, 0},
      {"BAR moved away", [](Bus& b, std::uint32_t&) { b.a->MoveTo(kBar + kSize); }, 0xFFFFFFFFu, 0},
      {"BAR moved half way", [](Bus& b, std::uint32_t&) { b.a->MoveTo(kBar - 0x800000u); },
       0x0A800040u, 0},
      {"unmapped", [](Bus& b, std::uint32_t& lin) { EXPECT_TRUE(b.m.Unmap(lin)); }, 0xFFFFFFFFu, 1},
      {"another mapping made",
       [](Bus& b, std::uint32_t&) { b.Map(kBar + 0x100u, 0x1000u); }, 0x0A000040u, 0},
      {"device removed", [](Bus& b, std::uint32_t&) { (void)b.m.RemoveDevice(1, 0); }, 0xFFFFFFFFu, 0},
      // A device earlier on the bus whose window covers the same addresses answers instead.
      {"device added before it", [](Bus& b, std::uint32_t&) { b.Add(0, 3, 0xB, kBar); },
       0x0B000040u, 0},
      {"device added after it", [](Bus& b, std::uint32_t&) { b.Add(2, 0, 0xC, kBar); },
       0x0A000040u, 0},
  };
  for (const auto& c : cases) {
    Bus b;
    std::uint32_t lin = b.Map(kBar, kSize);
    ASSERT_EQ(b.m.Read32(lin + 0x40), 0x0A000040u) << c.name;  // remembered from here
    b.m.Write32(lin + 0x80, 0);
    c.change(b, lin);
    EXPECT_EQ(b.m.Read32(lin + 0x40), c.expected) << c.name;
    EXPECT_EQ(b.m.InvalidAccesses(), c.invalid) << c.name;
  }
}

TEST(SimMachine, TwoMappingsOfOneWindowAnswerAlternately) {
  Bus b;
  const std::uint32_t whole = b.Map(kBar, kSize);
  const std::uint32_t upper = b.Map(kBar + 0x300000u, 0x100000u);
  for (std::uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(b.m.Read32(whole + 4 * i), 0x0A000000u | (4 * i));
    EXPECT_EQ(b.m.Read32(upper + 4 * i), 0x0A300000u | (4 * i));
    EXPECT_EQ(b.m.Read8(upper + i), 0xA0 | i);
    b.m.Write32(upper + 8 * i, 0);
    EXPECT_EQ(b.a->written, 0x300000u + 8 * i);
  }
  EXPECT_EQ(b.m.Read32(upper + 0x100000u), 0xFFFFFFFFu) << "beyond the small mapping";
  EXPECT_EQ(b.m.InvalidAccesses(), 1u);
}

TEST(SimMachine, TraceRecordsMappedAccessesOnlyWhileEnabled) {
  Bus b;
  const std::uint32_t lin = b.Map(kBar, kSize);
  b.m.Read32(lin + 8);
  EXPECT_TRUE(b.m.Trace().Events().empty());
  b.m.Trace().Enable(true);
  b.m.Read32(lin + 8);
  b.m.Write32(lin + 12, 5);
  b.m.Read32(lin + kSize);  // mapped nowhere: answered all ones
  const auto& e = b.m.Trace().Events();
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].kind, sim::TraceKind::MemRead);
  EXPECT_EQ(e[0].address, 8u);
  EXPECT_EQ(e[0].value, 0x0A000008u);
  EXPECT_EQ(e[1].kind, sim::TraceKind::MemWrite);
  EXPECT_EQ(e[1].address, 12u);
  EXPECT_EQ(e[2].value, 0xFFFFFFFFu);
  EXPECT_LT(e[0].time, e[1].time);
  EXPECT_EQ(b.a->written, 12u);
}

}  // namespace
}  // namespace rz::test
