// SPDX-License-Identifier: GPL-3.0-or-later
// The signature scanner, the "$RZ" block reader, version information from a tool's backup and
// the check of an image for an ATI card.
#include <gtest/gtest.h>

#include "base/BuildConfig.h"
#include "bios/AtiImageCheck.h"
#include "bios/BiosIdentity.h"
#include "bios/ByteScanner.h"
#include "bios/ImageVersion.h"
#include "support/SimHarness.h"
#include "unit/BiosTestFiles.h"

namespace rz::test {
namespace {

using bios::ModelText;
using platform::MemoryFile;

TEST(BiosByteScanner, MatchingRules) {
  struct Case {
    std::string bytes;
    bool block;
    std::int64_t positionAfter;  // reading position when a block is found
    bool modelFound;
    std::string model;  // model text read, when found
  } cases[] = {
      {"xx$RZyy", true, 5, false, ""},
      {"$$RZ..", false, 0, false, ""},  // the second "$" is consumed as the byte after the first
      {"RRZ-abc", false, 0, false, ""},
      {"R$RZ", false, 0, false, ""},    // "$" breaks "RZ-" and is not looked at again
      {"RZ-A1" + std::string(75, '\0') + "$RZ", true, 83, true, "RZ-A1"},  // scanning goes on after 80
      {"RZ-ONE RZ-TWO", false, 0, true, "RZ-ONE RZ-TWO"},  // the second lies inside the 80 bytes
      {"$R$RZ", false, 0, false, ""},
      {"..RZ-", false, 0, true, "RZ-"},  // short read at the end: the rest stays zero
  };
  for (const auto& c : cases) {
    auto bytes = std::make_shared<platform::ByteVector>(c.bytes.begin(), c.bytes.end());
    MemoryFile file(bytes);
    ModelText model;
    model.bytes.fill('#');
    const bool block = bios::ScanForSignatures(file, model);
    EXPECT_EQ(block, c.block) << c.bytes;
    if (block) {
      EXPECT_EQ(file.Tell(), c.positionAfter) << c.bytes;
    }
    EXPECT_EQ(model.found, c.modelFound) << c.bytes;
    if (c.modelFound) {
      EXPECT_EQ(model.Text(), c.model) << c.bytes;
      EXPECT_EQ(model.bytes.back(), 0) << "buffer cleared before the read: " << c.bytes;
    }
  }
}

TEST(BiosByteScanner, LaterModelTextReplacesEarlierAndBlockInsideModelTextIsNotSeen) {
  std::string bytes = "RZ-FIRST";
  bytes.resize(100, '.');
  bytes += "RZ-SECOND";
  bytes += std::string(1, '\0') + "$RZ";  // inside the 80 bytes read from "RZ-SECOND"
  auto data = std::make_shared<platform::ByteVector>(bytes.begin(), bytes.end());
  MemoryFile file(data);
  ModelText model;
  EXPECT_FALSE(bios::ScanForSignatures(file, model));
  EXPECT_EQ(model.Text(), "RZ-SECOND");
}

TEST(BiosSignatureBlock, ParseTable) {
  struct Case {
    std::uint8_t revision;
    std::string model, continuation;
    char letter;
    std::uint8_t number;
    std::string name, info, backup;
  } cases[] = {
      {0x12, "QB-PX57Q", "T7H", 'F', 12, "PX57QT7H", "PX57QT7H F12", "PX57QT7H.F12"},
      {0x11, "QB-PX57Q", "T7H", 'F', 12, "PX57Q", "PX57Q F12", "PX57Q.F12"},
      {0x11, "rz-PX4R7", "", 'F', 3, "PX4R7", "PX4R7 F3", "PX4R7.F3"},
      {0x11, "PX4R7H  ", "", 'G', 1, "PX4R7H", "PX4R7H G1", "PX4R7H.G1"},
      {0x13, "AB CD", "EFGH", 'F', 200, "AB", "AB F200", "AB.F200"},
      {0x11, "PX4R7H", "", 0, 0, "PX4R7H", "PX4R7H ", "PX4R7H."},  // version word 0
  };
  for (const auto& c : cases) {
    testimage::ImageRecipe recipe;
    recipe.block = testimage::RzBlockRecipe{.offset = 0x200, .revision = c.revision, .model = c.model,
                                        .letter = c.letter, .number = c.number,
                                        .continuation = c.continuation};
    const auto image = testimage::BuildImage(recipe);
    bios::CardBiosIdentity id;
    bios::ParseSignatureBlock(bios::Bytes(image).subspan(0x200, bios::kBlockHeadSize), id);
    EXPECT_EQ(id.CardModelName, c.name) << c.model;
    EXPECT_EQ(id.BiosInfoText, c.info) << c.model;
    EXPECT_EQ(id.BackupFileName, c.backup) << c.model;
    EXPECT_EQ(id.VersionWord, static_cast<std::uint8_t>(c.letter) | (c.number << 8));
  }
}

TEST(BiosCardIdentity, BlockFirstThenModelTextElseNothingChanges) {
  bios::SignatureBlock block{};
  const std::string head = "$RZ\x11PX4R7H  ";
  std::copy(head.begin(), head.end(), block.begin());
  block[bios::kBlockVersionWord] = 'F';
  block[bios::kBlockVersionWord + 1] = 3;
  block[bios::kBlockSuffix] = 'b';
  ModelText text;
  const std::string model = "PX57Q/F12";
  std::copy(model.begin(), model.end(), text.bytes.begin());
  text.found = true;
  struct Case {
    const bios::SignatureBlock* block;
    bool textFound;
    bios::IdentitySource source;
    std::string name, info;
    std::uint16_t word;
  };
  const Case cases[] = {
      {&block, true, bios::IdentitySource::Block, "PX4R7H", "PX4R7H F3b", 'F' | 3 << 8},
      {nullptr, true, bios::IdentitySource::ModelText, "PX57Q", "PX57Q F12", 0x7777},
      {nullptr, false, bios::IdentitySource::None, "stale", "stale", 0x7777},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info);
    text.found = c.textFound;
    bios::CardBiosIdentity id;
    id.CardModelName = "stale";
    id.VersionWord = 0x7777;
    std::string info = "stale";
    EXPECT_EQ(bios::ReadCardIdentity(c.block, text, id, info), c.source);
    EXPECT_EQ(id.CardModelName, c.name);
    EXPECT_EQ(info, c.info);
    EXPECT_EQ(id.VersionWord, c.word);
    // Only a model text gives the version record.
    EXPECT_EQ(id.Version == bios::BiosVersion{}, c.source != bios::IdentitySource::ModelText);
  }
}

TEST(BiosImageVersion, ReadFromBackup) {
  platform::MemoryFileSystem fs;
  testimage::ImageRecipe text;
  text.modelText = "RZ-PX4R7H F12";
  fs.Put("text.rom", testimage::BuildImage(text));
  testimage::ImageRecipe block;
  block.block = testimage::RzBlockRecipe{.revision = 0x12, .model = "QB-PX57Q", .letter = 'F',
                                       .number = 12, .continuation = "T7H"};
  block.modelText = "RZ-IGNORED/F1";  // before the block: read, but the block decides
  fs.Put("block.rom", testimage::BuildImage(block));
  fs.Put("none.rom", testimage::BuildImage({}));

  {
    ModelText model;
    bios::CardBiosIdentity id;
    ASSERT_TRUE(bios::ReadImageVersion(fs, "text.rom", model, id));
    EXPECT_EQ(id.BiosInfoText, "RZ-PX4R7H  F12") << "the name keeps its blank, the format adds one";
    EXPECT_EQ(id.CardModelName, "RZ-PX4R7H ");
    EXPECT_EQ(id.Version.DigitCount, 2);
    EXPECT_EQ(id.BackupFileName, "RZ-PX4R7H .");
  }
  {
    ModelText model;
    bios::CardBiosIdentity id;
    ASSERT_TRUE(bios::ReadImageVersion(fs, "block.rom", model, id));
    EXPECT_EQ(id.BiosInfoText, "PX57QT7H F12");
    EXPECT_EQ(id.BackupFileName, "PX57QT7H.F12");
    EXPECT_EQ(id.Version.DigitCount, 0);
  }
  for (const char* name : {"none.rom", "missing.rom"}) {
    ModelText model;
    bios::CardBiosIdentity id;
    id.BiosInfoText = "Unknow";
    EXPECT_FALSE(bios::ReadImageVersion(fs, name, model, id)) << name;
    EXPECT_EQ(id.BiosInfoText, "Unknow") << name;
  }
}

TEST(BiosImageVersion, SizeText) {
  platform::MemoryFileSystem fs;
  fs.Put("Backup.rom", platform::ByteVector(65536));
  fs.Put("empty.rom", {});
  std::string text = "old";
  EXPECT_EQ(bios::GetImageSizeText(fs, "Backup.rom", text), 65536);
  EXPECT_EQ(text, "65536  Bytes");
  EXPECT_EQ(bios::GetImageSizeText(fs, "empty.rom", text), 0);
  EXPECT_EQ(text, "0  Bytes");
  text = "old";
  EXPECT_EQ(bios::GetImageSizeText(fs, "missing.rom", text), bios::kSizeOpenFailed);
  EXPECT_EQ(text, "old");
}

TEST(BiosImageVersion, SizeTextReportsFailedClose) {
  SimHarness h(nlohmann::json::object());
  h.dir.Write("Backup.rom", std::string(1000, 'x'));
  h.platform->Files().Faults().failClose.insert(h.dir.File("Backup.rom"));
  std::string text;
  EXPECT_EQ(bios::GetImageSizeText(h.platform->Files(), h.dir.File("Backup.rom"), text),
            bios::kSizeCloseFailed);
  EXPECT_EQ(text, "1000  Bytes");
}

// An image for an ATI card: ids in the "ATOM" header.
constexpr std::uint16_t kAtiDevice = 0x9440;
constexpr std::uint16_t kBoard = 0x34C8;
const std::uint32_t kCardIds = 0x1002u | (std::uint32_t{kAtiDevice} << 16);
const std::uint32_t kCardSubsystem = kMakerSubsystemVendorId | (std::uint32_t{kBoard} << 16);

platform::ByteVector AtiImage(std::optional<std::string> modelText, std::uint32_t pcirPosition = 8,
                              std::uint16_t subsystemId = kBoard, bool atom = true) {
  testimage::ImageRecipe recipe;
  recipe.vendorId = 0x1002;
  recipe.deviceId = kAtiDevice;
  recipe.subsystemId = subsystemId;
  recipe.modelText = std::move(modelText);
  if (atom) recipe.atom = testimage::AtomRecipe{.offset = 0x40, .pcirPosition = pcirPosition};
  return testimage::BuildImage(recipe);
}

TEST(BiosAtiCheck, ResultTable) {
  struct Case {
    const char* name;
    platform::ByteVector file;
    std::string card;  // the card's model text ("" for an empty record)
    bios::VersionCheckResult result;
  } cases[] = {
      {"two characters, same first", AtiImage("RZ-PX4R7H/F12"), "RZ-PX4R7H/F13", 0},
      {"one over one", AtiImage("RZ-PX4R7H/F4 "), "RZ-PX4R7H/F5", 0},
      {"counts differ", AtiImage("RZ-PX4R7H/F12"), "RZ-PX4R7H/F2", 2},
      {"same", AtiImage("RZ-PX4R7H/F12"), "RZ-PX4R7H/F12", 4},
      {"malformed", AtiImage("RZ-PX4R7H/F1x"), "RZ-PX4R7H/F13", 3},
      {"malformed suffix", AtiImage("RZ-PX4R7H/F1_x"), "RZ-PX4R7H/F13", 3},
      {"suffix differs", AtiImage("RZ-PX4R7H/F12_B"), "RZ-PX4R7H/F12_C", 0},
      {"no slash: empty version", AtiImage("RZ-PX4R7H F12"), "RZ-PX4R7H/F13", 2},
      {"no slash on an empty card", AtiImage("RZ-PX4R7H F12"), "", 4},
      {"other board", AtiImage("RZ-PX4R7H/F12", 8, 0x34CA), "RZ-PX4R7H/F13", 1},
      {"PCIR at the window's last start", AtiImage("RZ-PX4R7H/F12", 46), "RZ-PX4R7H/F13", 0},
      {"PCIR outside the window", AtiImage("RZ-PX4R7H/F12", 47), "RZ-PX4R7H/F13", 1},
      {"no ATOM header", AtiImage("RZ-PX4R7H/F12", 8, kBoard, false), "RZ-PX4R7H/F13", 1},
      {"file cut inside the window", [] {
         auto f = AtiImage("RZ-PX4R7H/F12");
         f.resize(0x40 + 20 + 10);
         return f;
       }(), "RZ-PX4R7H/F13", 1},
  };
  for (const auto& c : cases) {
    platform::MemoryFileSystem fs;
    fs.Put("Flash.bin", c.file);
    const auto card = c.card.empty() ? bios::CardBiosIdentity{} : CardWithText(c.card);
    ModelText model;
    bios::VersionCheckResult result = -1;
    bios::AtiCheckContext ctx{fs, kCardIds, kCardSubsystem, card, model, result};
    EXPECT_EQ(bios::CheckAtiImage(ctx, "Flash.bin"), c.result == 0) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
  }
}

TEST(BiosAtiCheck, MissingFileIsAnotherCardAndModelTextComesFromTheFile) {
  platform::MemoryFileSystem fs;
  const auto card = CardWithText("RZ-PX4R7H/F13");
  ModelText model;
  bios::VersionCheckResult result = -1;
  bios::AtiCheckContext ctx{fs, kCardIds, kCardSubsystem, card, model, result};
  EXPECT_FALSE(bios::CheckAtiImage(ctx, "missing.bin"));
  EXPECT_EQ(result, bios::ati_check::kOtherCard);

  fs.Put("Flash.bin", AtiImage("RZ-PX4R7H/F12"));
  model.found = true;
  EXPECT_TRUE(bios::CheckAtiImage(ctx, "Flash.bin"));
  EXPECT_TRUE(model.found);
  EXPECT_EQ(model.Text(), "RZ-PX4R7H/F12");
}

}  // namespace
}  // namespace rz::test
