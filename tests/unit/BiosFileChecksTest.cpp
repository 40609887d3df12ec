// SPDX-License-Identifier: GPL-3.0-or-later
// The checks of a BIOS file against the card: card number in packages, ids, version, checksum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/BuildConfig.h"
#include "bios/AtiImageCheck.h"
#include "bios/BiosFile.h"
#include "bios/BiosFileChecks.h"
#include "bios/PackageExtract.h"
#include "unit/BiosTestFiles.h"

namespace rz::test {
namespace {

using testimage::BuildImage;
using testimage::ImageRecipe;
using testimage::RzBlockRecipe;

std::uint32_t Sub(std::uint16_t id, std::uint16_t vendor = kMakerSubsystemVendorId) {
  return vendor | (std::uint32_t{id} << 16);
}
constexpr std::uint32_t kIds = 0x10DEu | (0x0191u << 16);

TEST(BiosCheckId, Table) {
  struct Case {
    const char* name;
    ImageRecipe file;
    std::uint32_t cardSubsystem;
    bool match;
  } cases[] = {
      {"same ids and board", {.subsystemId = 0x34C8}, Sub(0x34C8), true},
      {"other device", {.deviceId = 0x0192, .subsystemId = 0x34C8}, Sub(0x34C8), false},
      {"other board", {.subsystemId = 0x34C8}, Sub(0x34CA), false},
      {"34CB image on 34C7 card", {.subsystemId = 0x34CB}, Sub(0x34C7), true},
      {"34C7 image on 34CB card", {.subsystemId = 0x34C7}, Sub(0x34CB), true},
      {"34C7 image on 34C8 card", {.subsystemId = 0x34C7}, Sub(0x34C8), false},
      {"pair under another vendor", {.subsystemVendorId = 0x1043, .subsystemId = 0x34CB},
       Sub(0x34C7, 0x1043), false},
      {"PCIR at the last searched start", {.subsystemId = 0x34C8, .pcirOffset = 1020}, Sub(0x34C8),
       true},
      {"PCIR past the searched range", {.subsystemId = 0x34C8, .pcirOffset = 1021}, Sub(0x34C8),
       false},
  };
  for (const auto& c : cases) {
    platform::MemoryFileSystem fs;
    fs.Put("f.rom", BuildImage(c.file));
    EXPECT_EQ(bios::CheckBiosId(fs, "f.rom", kIds, c.cardSubsystem), c.match) << c.name;
  }
}

TEST(BiosCheckId, ShortOrMissingFilesDoNotMatch) {
  platform::MemoryFileSystem fs;
  auto image = BuildImage({.subsystemId = 0x34C8, .pcirOffset = 0x40});
  auto cutBeforeSubsystem = image;
  cutBeforeSubsystem.resize(0x56);  // PCIR and ids present, subsystem id cut off
  fs.Put("cut.rom", cutBeforeSubsystem);
  auto cutInIds = image;
  cutInIds.resize(0x1020);
  cutInIds.erase(cutInIds.begin() + 0x40 + 6, cutInIds.end());
  fs.Put("ids.rom", cutInIds);
  fs.Put("empty.rom", {});
  for (const char* name : {"cut.rom", "ids.rom", "empty.rom", "missing.rom"})
    EXPECT_FALSE(bios::CheckBiosId(fs, name, kIds, Sub(0x34C8))) << name;
}

ImageRecipe WithText(const std::string& text) {
  ImageRecipe s;
  s.modelText = text;
  return s;
}
ImageRecipe WithBlock(char letter, std::uint8_t number) {
  ImageRecipe s;
  s.block = RzBlockRecipe{.letter = letter, .number = number};
  return s;
}

TEST(BiosCheckVersion, Table) {
  const bios::CardBiosIdentity empty;
  struct Case {
    const char* name;
    ImageRecipe file;
    bios::CardBiosIdentity card;
    bios::VersionCheckResult result;
  } cases[] = {
      {"F4 over F5", WithText("RZ-PX4R7H/F4 "), CardWithText("RZ-PX4R7H/F5"), 0},
      {"same", WithText("RZ-PX4R7H/F5_B"), CardWithText("RZ-PX4R7H/F5_B"), 1},
      {"lower-case after the digit", WithText("RZ-PX4R7H/F1x"), CardWithText("RZ-PX4R7H/F12"), 3},
      {"underscore without suffix", WithText("RZ-PX4R7H/F12_"), CardWithText("RZ-PX4R7H/F13"), 3},
      {"slash at the end", WithText("RZ-PX4R7H/"), CardWithText("RZ-PX4R7H/F13"), 3},
      {"one character over two", WithText("RZ-PX4R7H/F4"), CardWithText("RZ-PX4R7H/F12"), 2},
      {"F12 over F13", WithText("RZ-PX4R7H/F12"), CardWithText("RZ-PX4R7H/F13"), 0},
      {"F21 over F13", WithText("RZ-PX4R7H/F21"), CardWithText("RZ-PX4R7H/F13"), 2},
      {"suffix only differs", WithText("RZ-PX4R7H/F12_C"), CardWithText("RZ-PX4R7H/F12_B"), 0},
      {"no slash: F form", WithText("RZ-PX4R7H F12"), CardWithText("RZ-PX4R7H/F13"), 0},
      {"first F inside the name", WithText("RZ-PF5 X12"), CardWithText("RZ-PX4R7H/F5"), 1},
      {"nothing in the file, empty card", ImageRecipe{}, empty, 1},
      {"nothing in the file", ImageRecipe{}, CardWithText("RZ-PX4R7H/F5"), 2},
      {"neither slash nor F", WithText("RZ-PX4R7H 12"), CardWithText("RZ-PX4R7H/F5"), 2},
      // Images with a "$RZ" block.
      {"block over block, other version", WithBlock('F', 5), CardWithBlock('F', 4), 0},
      {"block over block, older version", WithBlock('F', 3), CardWithBlock('F', 4), 0},
      {"block over block, same version", WithBlock('F', 4), CardWithBlock('F', 4), 1},
      {"block F12 over text F13", WithBlock('F', 12), CardWithText("RZ-PX4R7H/F13"), 0},
      {"block F21 over text F13", WithBlock('F', 21), CardWithText("RZ-PX4R7H/F13"), 2},
      {"block F5 over text F5", WithBlock('F', 5), CardWithText("RZ-PX4R7H/F5"), 1},
      {"block over a card without version", WithBlock('F', 5), empty, 2},
      {"block number of three digits", WithBlock('F', 100), CardWithText("RZ-PX4R7H/F10"), 2},
      {"text F5 over block F4", WithText("RZ-PX4R7H/F5"), CardWithBlock('F', 4), 0},
      {"text F12 over block F4", WithText("RZ-PX4R7H/F12"), CardWithBlock('F', 4), 2},
      {"nothing over block", ImageRecipe{}, CardWithBlock('F', 4), 2},
  };
  for (const auto& c : cases) {
    platform::MemoryFileSystem fs;
    fs.Put("f.rom", BuildImage(c.file));
    bios::ModelText model;
    bios::VersionCheckResult result = -1;
    EXPECT_EQ(bios::CheckBiosVersion(fs, "f.rom", c.card, model, result), c.result == 0) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
  }
}

TEST(BiosCheckVersion, CardsModelTextIsNotTakenForTheFiles) {
  platform::MemoryFileSystem fs;
  fs.Put("f.rom", BuildImage({}));
  const auto card = CardWithText("RZ-PX4R7H/F5");
  bios::ModelText model;  // as the card's detection left it
  const std::string cardText = "RZ-PX4R7H/F5";
  std::copy(cardText.begin(), cardText.end(), model.bytes.begin());
  model.found = true;
  bios::VersionCheckResult result = -1;
  EXPECT_FALSE(bios::CheckBiosVersion(fs, "f.rom", card, model, result));
  EXPECT_EQ(result, bios::file_check::kNotCompatible) << "not 'same' from the card's own text";
  EXPECT_FALSE(bios::CheckBiosVersion(fs, "missing.rom", card, model, result));
  EXPECT_EQ(result, 0);
}

TEST(BiosChecksum, Table) {
  auto longFile = BuildImage({.lengthByte = 0x78, .fileLength = 70000});  // 61,440-byte image
  auto corrupt = BuildImage({});
  corrupt[0x300] ^= 0x01;
  auto truncated = BuildImage({});
  truncated.resize(5000);
  auto zeroLength = BuildImage({});
  zeroLength[2] = 0;
  struct Case {
    const char* name;
    std::optional<platform::ByteVector> file;
    bios::ChecksumStatus status;
    std::uint8_t sum;
  } cases[] = {
      {"valid", BuildImage({}), bios::ChecksumStatus::Summed, 0},
      {"image shorter than its file", longFile, bios::ChecksumStatus::Summed, 0},
      {"one bit flipped", corrupt, bios::ChecksumStatus::Summed,
       testimage::Sum8(corrupt, corrupt.size())},
      {"file shorter than its image", truncated, bios::ChecksumStatus::Truncated,
       testimage::Sum8(truncated, truncated.size())},
      {"length byte 0", zeroLength, bios::ChecksumStatus::NoImage, 0},
      {"two bytes", platform::ByteVector{0x55, 0xAA}, bios::ChecksumStatus::NoImage, 0},
      {"missing", std::nullopt, bios::ChecksumStatus::OpenFailed, 0},
  };
  ASSERT_NE(testimage::Sum8(longFile, longFile.size()), 0) << "the padding must change the sum";
  for (const auto& c : cases) {
    platform::MemoryFileSystem fs;
    if (c.file) fs.Put("f.rom", *c.file);
    std::uint8_t sum = 0xEE;
    EXPECT_EQ(bios::ImageChecksum(fs, "f.rom", sum), c.status) << c.name;
    EXPECT_EQ(sum, c.sum) << c.name;
  }
}

platform::ByteVector Numbered(std::uint8_t cardNumber, std::uint32_t seed, std::uint8_t length = 0x20) {
  return BuildImage({.lengthByte = length,
                     .block = RzBlockRecipe{.cardNumber = cardNumber},
                     .seed = seed});
}

// Runs the extraction of `package` for `cardNumber`; returns what was written.
platform::ByteVector Extract(const platform::ByteVector& package, std::uint8_t cardNumber,
                             bios::ExtractResult expect = bios::ExtractResult::Extracted) {
  auto in = std::make_shared<platform::ByteVector>(package);
  auto out = std::make_shared<platform::ByteVector>();
  platform::MemoryFile source(in), target(out);
  std::vector<std::uint8_t> buffer(bios::kPackageImageBufferSize, 0xCC);
  EXPECT_EQ(bios::ExtractMatchingImages(source, target, cardNumber, buffer), expect);
  return *out;
}

TEST(BiosPackage, ExtractsTheImagesOfTheCard) {
  const auto one = Numbered(1, 11), two = Numbered(2, 22), twoAgain = Numbered(2, 33);
  const auto package = testimage::BuildPackage({one, {}, two, Numbered(3, 44), twoAgain});
  auto both = two;
  both.insert(both.end(), twoAgain.begin(), twoAgain.end());
  EXPECT_EQ(Extract(package, 2), both) << "every matching image, in slot order";
  EXPECT_EQ(Extract(package, 1), one);
  EXPECT_TRUE(Extract(package, 7).empty());
  EXPECT_TRUE(Extract(one, 1, bios::ExtractResult::NotPackage).empty());
}

TEST(BiosPackage, CardNumberRules) {
  const auto noBlock = BuildImage({.lengthByte = 0x20});
  const auto blockFF = Numbered(0xFF, 5);
  struct Case {
    const char* name;
    const platform::ByteVector& image;
    std::uint8_t card;
    bool match;
  } cases[] = {
      {"no block on card 0", noBlock, 0, true},
      {"no block on card FF", noBlock, 0xFF, false},
      {"block FF on card FF", blockFF, 0xFF, true},
      {"block FF on card 0", blockFF, 0, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bios::ImageMatchesCard(c.image, c.card), c.match) << c.name;

  // A block in the first 128 bytes is not looked at; one cut off at the image end does not match.
  auto early = BuildImage({.lengthByte = 0x20, .block = RzBlockRecipe{.offset = 0x40, .cardNumber = 5}});
  EXPECT_TRUE(bios::ImageMatchesCard(early, 0));
  std::vector<std::uint8_t> cut(0x100, 0);
  cut[0x100 - 5] = '$', cut[0x100 - 4] = 'R', cut[0x100 - 3] = 'Z';
  EXPECT_FALSE(bios::ImageMatchesCard(cut, 0));
}

TEST(BiosPackage, MalformedPackagesNeverReadOutOfBounds) {
  const auto good = Numbered(2, 7);
  // An image whose length byte claims more than the buffer holds (0x81 x 512 = 66,048 bytes).
  const auto tooLong = Numbered(2, 8, 0x81);
  EXPECT_TRUE(Extract(testimage::BuildPackage({tooLong}), 2).empty());
  EXPECT_EQ(Extract(testimage::BuildPackage({tooLong, good}), 2), good);
  // An image cut off by the end of the file.
  auto truncated = testimage::BuildPackage({good});
  truncated.resize(truncated.size() - 100);
  EXPECT_TRUE(Extract(truncated, 2).empty());
  // Slot offsets past the end of the file and a header shorter than its slot table.
  auto wild = testimage::BuildPackage({good});
  for (std::size_t i = 0; i < 4; ++i) wild[8 + i] = 0xFF;  // slot 2: 0xFFFFFFFF
  wild[12] = 0x10;                                          // slot 3: 0x10 (inside the header)
  EXPECT_EQ(Extract(wild, 2), good);
  EXPECT_TRUE(Extract(Text("$RZ0\x40"), 2).empty());
}

// A file of a gigabyte of zeros (never held in memory): every check of a chosen file reads at
// most the part of a file that can hold a BIOS or a package of them.
TEST(BiosFileChecks, NoCheckReadsBeyondWhatCanHoldABios) {
  struct ZeroFile final : platform::File {
    std::uint64_t& served;
    std::int64_t pos = 0;
    const std::int64_t kSize = std::int64_t{1} << 30;
    explicit ZeroFile(std::uint64_t& s) : served(s) {}
    std::size_t Read(void* b, std::size_t n) override {
      const auto k = static_cast<std::size_t>(std::min<std::int64_t>(n, kSize - pos));
      std::memset(b, 0, k);
      pos += static_cast<std::int64_t>(k);
      served += k;
      return k;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    bool Seek(std::int64_t o, platform::SeekOrigin w) override {
      pos = (w == platform::SeekOrigin::Begin ? 0 : w == platform::SeekOrigin::End ? kSize : pos) + o;
      return pos >= 0;
    }
    std::int64_t Tell() override { return pos; }
    bool Flush() override { return true; }
    bool Close() override { return true; }
  };
  struct ZeroFiles final : platform::ForwardingFileSystem {
    platform::MemoryFileSystem none;
    std::uint64_t served = 0;
    ZeroFiles() : ForwardingFileSystem(none) {}
    std::unique_ptr<platform::File> OpenRead(const std::string&) override {
      return std::make_unique<ZeroFile>(served);
    }
  } files;
  // A card of empty version takes the empty version of a file without one as "the same", which
  // needs the whole file scanned for a version first.
  bios::CardBiosIdentity card;
  bios::ModelText text;
  bios::VersionCheckResult result = 0;
  bios::CheckBiosVersion(files, "huge.rom", card, text, result);
  bios::AtiCheckContext ati{files, 0x94421002u, 0x21B81E5Au, card, text, result};
  bios::CheckAtiImage(ati, "huge.rom");
  // Three passes in all: the version scan, and the ATI check's header and version scans.
  EXPECT_LE(files.served, 3 * static_cast<std::uint64_t>(bios::kBiosFileReadLimit));
  EXPECT_GT(files.served, 0u);
}

}  // namespace
}  // namespace rz::test
