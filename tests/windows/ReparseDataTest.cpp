// SPDX-License-Identifier: GPL-3.0-or-later
// Where a Windows link leads, read from reparse data as the file system returns it. Wine makes no
// such links, so the data is built here byte by byte in the system's layout.
#include <gtest/gtest.h>

#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "base/LittleEndian.h"
#include "host/windows/ReparseData.h"

namespace rz::test {
namespace {

using platform::kReparseTagMountPoint;
using platform::kReparseTagSymlink;

// Tag, data length, reserved; the four name offsets and lengths; flags for symbolic links; then
// the substitute name and the print name, one after the other.
std::vector<std::uint8_t> ReparseData(std::uint32_t tag, const std::u16string& substitute,
                                      const std::u16string& print, std::uint32_t flags) {
  const bool symlink = tag == kReparseTagSymlink;
  std::vector<std::uint8_t> data(symlink ? 20 : 16);
  const auto substituteBytes = static_cast<std::uint16_t>(substitute.size() * 2);
  const auto printBytes = static_cast<std::uint16_t>(print.size() * 2);
  le::Put32(data.data(), tag);
  le::Put16(data.data() + 8, 0);
  le::Put16(data.data() + 10, substituteBytes);
  le::Put16(data.data() + 12, substituteBytes);
  le::Put16(data.data() + 14, printBytes);
  if (symlink) le::Put32(data.data() + 16, flags);
  for (const char16_t c : substitute + print) {
    data.push_back(static_cast<std::uint8_t>(c));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  le::Put16(data.data() + 4, static_cast<std::uint16_t>(data.size() - 8));
  return data;
}

struct LinkCase {
  const char* name;
  std::vector<std::uint8_t> data;
  std::optional<std::u16string> target;  // none: no link
  bool relative;
};

// Test names show the case by its name.
void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class ReparsePoint : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ReparsePoint, ReadsWhereTheLinkLeads) {
  const LinkCase& c = GetParam();
  const auto link = platform::ParseReparseData(c.data);
  ASSERT_EQ(link.has_value(), c.target.has_value());
  if (!link) return;
  EXPECT_TRUE(link->path == *c.target);
  EXPECT_EQ(link->relative, c.relative);
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> data, std::size_t size) {
  data.resize(size);
  return data;
}

INSTANTIATE_TEST_SUITE_P(
    Links, ReparsePoint,
    ::testing::Values(
        LinkCase{"AbsoluteSymlink",
                 ReparseData(kReparseTagSymlink, u"\\??\\C:\\Backups\\card.rom", u"C:\\Backups\\card.rom", 0),
                 u"C:\\Backups\\card.rom", false},
        LinkCase{"RelativeSymlink", ReparseData(kReparseTagSymlink, u"..\\other\\card.rom", u"..\\other\\card.rom", 1),
                 u"..\\other\\card.rom", true},
        LinkCase{"Junction", ReparseData(kReparseTagMountPoint, u"\\??\\D:\\Roms", u"D:\\Roms", 0),
                 u"D:\\Roms", false},
        LinkCase{"NetworkShare",
                 ReparseData(kReparseTagSymlink, u"\\??\\UNC\\server\\share\\a.rom", u"\\\\server\\share\\a.rom", 0),
                 u"\\\\server\\share\\a.rom", false},
        LinkCase{"Volume", ReparseData(kReparseTagMountPoint, u"\\??\\Volume{1234}\\", u"", 0),
                 u"\\\\?\\Volume{1234}\\", false},
        LinkCase{"OtherKindOfReparsePoint", ReparseData(0x8000001B, u"\\??\\C:\\x", u"", 0),
                 std::nullopt, false},
        LinkCase{"EmptyName", ReparseData(kReparseTagSymlink, u"", u"", 0), std::nullopt, false},
        LinkCase{"NameBeyondTheData",
                 Cut(ReparseData(kReparseTagSymlink, u"\\??\\C:\\Backups\\card.rom", u"", 0), 30),
                 std::nullopt, false},
        LinkCase{"HeaderOnly", Cut(ReparseData(kReparseTagSymlink, u"x", u"", 0), 12),
                 std::nullopt, false},
        LinkCase{"Nothing", {}, std::nullopt, false}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace rz::test
