// SPDX-License-Identifier: GPL-3.0-or-later
// The card's register file: registers in fixed slots and sparse ones behave alike (values, write
// counts, read-only writes), and a slot's index names the register listed at that place.
#include <gtest/gtest.h>

#include <stdexcept>

#include "sim/devices/RegisterFile.h"

namespace rz::test {
namespace {

TEST(SimRegisterFile, NamedAndSparseRegistersBehaveAlike) {
  for (const std::uint32_t offset : {0x1204u, 0x1850u, 0x88000u, 0x0u}) {
    const bool named = offset == 0x1204u || offset == 0x1850u;
    sim::RegisterFile r{0x200u, 0x1204u, 0x1850u};
    SCOPED_TRACE(testing::Message() << std::hex << offset << (named ? " named" : " sparse"));
    EXPECT_EQ(r.Value(offset), 0u);
    EXPECT_EQ(r.Writes(offset), 0u);
    r.Preset(offset, 7);
    EXPECT_EQ(r.Value(offset), 7u);
    EXPECT_EQ(r.Writes(offset), 0u) << "a power-up value is no write";
    r.Write(offset, 0x12345678u);
    r.Write(offset, 0x9u, false);  // read only: counted, not stored
    EXPECT_EQ(r.Value(offset), 0x12345678u);
    EXPECT_EQ(r.Writes(offset), 2u);
    EXPECT_EQ(r.Value(offset + 4), 0u) << "a neighbour is untouched";
    EXPECT_EQ(r.Writes(offset + 4), 0u);
  }
}

TEST(SimRegisterFile, SlotIndexIsThePlaceInTheList) {
  sim::RegisterFile r{0x200u, 0x1204u, 0xE204u};
  r.WriteNamed(1, 0xAB);
  r.Write(0xE204u, 0xCD);
  EXPECT_EQ(r.Value(0x1204u), 0xABu);
  EXPECT_EQ(r.Writes(0x1204u), 1u);
  EXPECT_EQ(r.NamedValue(2), 0xCDu);
  EXPECT_EQ(r.NamedValue(0), 0u);
}

TEST(SimRegisterFile, RefusesDuplicateOrTooManyNames) {
  EXPECT_THROW((sim::RegisterFile{0x10u, 0x20u, 0x10u}), std::logic_error);
  EXPECT_THROW((sim::RegisterFile{1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u}), std::logic_error);
  EXPECT_NO_THROW((sim::RegisterFile{1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}));
}

}  // namespace
}  // namespace rz::test
