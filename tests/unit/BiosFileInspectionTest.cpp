// SPDX-License-Identifier: GPL-3.0-or-later
// The whole look inside a file: plain chains, "$RZ0" packages and files that are no BIOS, the
// maker's marks in each image, the digest, and files that cannot be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RomChainImages.h"
#include "base/Sha256.h"
#include "bios/FileInspection.h"
#include "platform/files/MemoryFile.h"

namespace rz::test {
namespace {

using bios::FileInspection;
using bios::ImageMarks;
using bios::PackageSlot;
using testimage::BuildImage;
using testimage::BuildPackage;
using testimage::ImageRecipe;
using testimage::RzBlockRecipe;

constexpr std::size_t K = 1024;

FileInspection Inspect(const ByteList& bytes) {
  return bios::InspectBytes(bytes, bytes.size(), "digest");
}

ImageRecipe WithBlock(std::uint8_t cardNumber, char letter, std::uint8_t number) {
  return {.block = RzBlockRecipe{.letter = letter, .number = number, .cardNumber = cardNumber}};
}

TEST(FileInspection, MarksOfEachImage) {
  struct Case {
    const char* name;
    ImageRecipe recipe;
    ImageMarks::Source source;
    std::string version;
    std::optional<std::uint8_t> cardNumber;
  };
  const Case cases[] = {
      {"block", WithBlock(5, 'F', 12), ImageMarks::Source::Block, "PX4R7 F12", 5},
      {"model text", {.modelText = "RZ-PX4R7H/F5"}, ImageMarks::Source::ModelText, "RZ-PX4R7H F5",
       std::nullopt},
      {"neither", {}, ImageMarks::Source::None, "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto marks = bios::ReadImageMarks(BuildImage(c.recipe));
    EXPECT_EQ(marks.source, c.source);
    EXPECT_EQ(marks.versionText, c.version);
    EXPECT_EQ(marks.cardNumber, c.cardNumber);
  }
}

TEST(FileInspection, ChainWithMarksAndWhatFollowsIt) {
  auto legacy = WithBlock(2, 'F', 4);
  legacy.lastImage = false;
  legacy.lengthByte = 0x40;
  const ByteList padded = Joined(Chain({legacy, OfType(3, 0x20, true)}), ByteList(K, 0xFF));
  const FileInspection f = Inspect(padded);
  EXPECT_EQ(f.kind, FileInspection::Kind::Image);
  ASSERT_EQ(f.chain.images.size(), 2u);
  ASSERT_EQ(f.marks.size(), 2u);
  EXPECT_EQ(f.marks[0].cardNumber, 2);
  EXPECT_EQ(f.marks[1].source, ImageMarks::Source::None);  // the UEFI image carries no block
  EXPECT_EQ(f.bytesAfterChain, K);
  EXPECT_TRUE(f.blankAfterChain);
  EXPECT_TRUE(f.HoldsImage());

  ByteList trailing = Chain({Legacy(0x40, true)});
  trailing.push_back(0x12);
  const FileInspection t = Inspect(trailing);
  EXPECT_EQ(t.bytesAfterChain, 1u);
  EXPECT_FALSE(t.blankAfterChain);
}

TEST(FileInspection, WhetherTheFileHoldsAnImage) {
  struct Case {
    const char* name;
    ByteList bytes;
    FileInspection::Kind kind;
    bool holds;
    const char* reason;  // part of NoImageReason
  };
  ByteList cutFirst = Chain({Legacy(0x40, true)});
  cutFirst.resize(10 * K);
  const Case cases[] = {
      {"image", Chain({Legacy(0x40, true)}), FileInspection::Kind::Image, true, ""},
      {"text", ByteList(300, 'a'), FileInspection::Kind::NoBios, false, "neither a BIOS image"},
      {"empty", {}, FileInspection::Kind::NoBios, false, "empty"},
      {"cut first image", cutFirst, FileInspection::Kind::Image, false, "not whole"},
      {"zero length", WithPciLength(Chain({Legacy(0x40, true)}), 0, 0), FileInspection::Kind::Image,
       false, "length of 0"},
      {"package", BuildPackage({BuildImage({})}), FileInspection::Kind::Package, true, ""},
      {"package without slots", BuildPackage({}), FileInspection::Kind::Package, false, "all empty"},
      {"package of unusable slots", BuildPackage({ByteList(600, 0x11)}), FileInspection::Kind::Package,
       false, "no slot"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FileInspection f = Inspect(c.bytes);
    EXPECT_EQ(f.kind, c.kind);
    EXPECT_EQ(f.HoldsImage(), c.holds);
    if (c.holds) {
      EXPECT_EQ(f.NoImageReason(), "");
    } else {
      EXPECT_NE(f.NoImageReason().find(c.reason), std::string::npos) << f.NoImageReason();
    }
  }
}

TEST(FileInspection, PackageSlots) {
  auto big = BuildImage({.lengthByte = 0x81});  // longer than the program's 64 KiB buffer
  ByteList package = BuildPackage({BuildImage(WithBlock(0, 'F', 1)), {}, BuildImage(WithBlock(1, 'F', 2)),
                                   ByteList(600, 0x11), big});
  // Slot 7 holds an image the file's end cuts; slot 6 lies past the end of the file.
  const ByteList tail = BuildImage(WithBlock(7, 'G', 3));
  le::Put32(&package[4 + 4 * 6], static_cast<std::uint32_t>(package.size()));
  package.insert(package.end(), tail.begin(), tail.begin() + 1000);
  le::Put32(&package[4 + 4 * 5], static_cast<std::uint32_t>(package.size() + 16));

  const FileInspection f = Inspect(package);
  ASSERT_EQ(f.kind, FileInspection::Kind::Package);
  struct Expected {
    std::size_t number;
    PackageSlot::Status status;
    std::optional<std::uint8_t> cardNumber;
  };
  const Expected expected[] = {{1, PackageSlot::Status::Image, 0},
                               {3, PackageSlot::Status::Image, 1},
                               {4, PackageSlot::Status::NoImage, std::nullopt},
                               {5, PackageSlot::Status::TooLong, std::nullopt},
                               {6, PackageSlot::Status::OutsideFile, std::nullopt},
                               {7, PackageSlot::Status::Cut, 7}};
  ASSERT_EQ(f.slots.size(), std::size(expected));
  for (std::size_t i = 0; i < f.slots.size(); ++i) {
    SCOPED_TRACE(expected[i].number);
    EXPECT_EQ(f.slots[i].number, expected[i].number);
    EXPECT_EQ(f.slots[i].status, expected[i].status);
    EXPECT_EQ(f.slots[i].marks.cardNumber, expected[i].cardNumber);
  }
  EXPECT_EQ(f.slots[0].offset, 0x40u);
  EXPECT_EQ(f.slots[1].marks.versionText, "PX4R7 F2");
  ASSERT_TRUE(f.slots[0].image && f.slots[0].image->pciData);
  EXPECT_EQ(f.slots[0].image->pciData->deviceId, 0x0191);
  EXPECT_TRUE(f.chain.images.empty());
}

TEST(FileInspection, ReadsTheFileAndDigestsAllOfIt) {
  platform::MemoryFileSystem files;
  const ByteList image = Chain({Legacy(0x80, true)});
  files.Put("a.rom", image);
  std::string why;
  const auto f = bios::InspectFile(files, "a.rom", why);
  ASSERT_TRUE(f) << why;
  EXPECT_EQ(f->fileSize, image.size());
  EXPECT_EQ(f->bytesLooked, image.size());
  EXPECT_EQ(f->sha256, Sha256::Hex(Sha256::Of(image)));
  EXPECT_EQ(f->chain.images.size(), 1u);

  // Past the limit the digest still covers the whole file; the parse sees its first part.
  ByteList huge(bios::kInspectByteLimit + 70000, 0xFF);
  std::copy(image.begin(), image.end(), huge.begin());
  files.Put("huge.rom", huge);
  const auto h = bios::InspectFile(files, "huge.rom", why);
  ASSERT_TRUE(h) << why;
  EXPECT_EQ(h->fileSize, huge.size());
  EXPECT_EQ(h->bytesLooked, bios::kInspectByteLimit);
  EXPECT_EQ(h->sha256, Sha256::Hex(Sha256::Of(huge)));
  EXPECT_EQ(h->bytesAfterChain, bios::kInspectByteLimit - image.size());

  for (const char* path : {"", "missing.rom"}) {
    SCOPED_TRACE(path);
    why.clear();
    EXPECT_FALSE(bios::InspectFile(files, path, why));
    EXPECT_FALSE(why.empty());
  }
}

}  // namespace
}  // namespace rz::test
