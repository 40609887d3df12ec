// SPDX-License-Identifier: GPL-3.0-or-later
// The note a flash shows when it writes only part of a file: images after the first one, bytes
// that are no image, and the files for which nothing that matters stays behind.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "RomChainImages.h"
#include "bios/UnwrittenNote.h"

namespace rz::test {
namespace {

constexpr std::size_t K = 1024;

TEST(UnwrittenPartNote, SaysWhatStaysBehind) {
  struct Case {
    const char* name;
    ByteList file;
    std::uint64_t written;
    std::optional<std::string> note;
  };
  const Case cases[] = {
      {"UEFI image after the first",
       Chain({Legacy(0x80, false), OfType(3, 0x80, true)}), 64 * K,
       "Only the first image of this file (64 KiB of 128 KiB) will be written; the UEFI image "
       "after it is not."},
      {"two images after the first",
       Chain({Legacy(0x40, false), OfType(3, 0x20, false), OfType(1, 0x20, true)}), 32 * K,
       "Only the first image of this file (32 KiB of 64 KiB) will be written; the 2 images after "
       "it (UEFI, code type 1) are not."},
      {"bytes that are no image",
       Joined(Chain({Legacy(0x40, true)}), ByteList(1000, 0x12)), 32 * K,
       "Only the first 32 KiB of this file (33768 bytes) will be written; the 1000 bytes after them "
       "are not."},
      {"written length shorter than the first image",
       Chain({Legacy(0x40, false), OfType(3, 0x40, true)}), 16 * K,
       "Only the first 16 KiB of this file (64 KiB) will be written; the UEFI image after them is "
       "not."},
      {"the whole file is written", Chain({Legacy(0x80, true)}), 64 * K, std::nullopt},
      {"more than the file", Chain({Legacy(0x40, true)}), 64 * K, std::nullopt},
      {"0xFF padding after the image", Joined(Chain({Legacy(0x40, true)}), ByteList(32 * K, 0xFF)),
       32 * K, std::nullopt},
      {"zero padding after the image", Joined(Chain({Legacy(0x40, true)}), ByteList(100, 0x00)),
       32 * K, std::nullopt},
      {"a package", testimage::BuildPackage({testimage::BuildImage({}), testimage::BuildImage({})}),
       64 * K, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bios::UnwrittenPartNote(c.file, c.written), c.note);
  }
}

}  // namespace
}  // namespace rz::test
