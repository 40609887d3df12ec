// SPDX-License-Identifier: GPL-3.0-or-later
// The flash job on the emulated card: result codes and messages, the image checks that run before
// the chip is touched, packages, and the bracket (PROM access off, window closed) on every path.
#include <gtest/gtest.h>

#include <functional>

#include "eeprom/FlashJob.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kCardNumber = 3;

Bytes Built(std::uint8_t lengthByte, std::uint32_t seed, std::optional<std::uint8_t> cardNumber,
            std::function<void(testimage::ImageRecipe&)> tweak = nullptr) {
  testimage::ImageRecipe recipe;
  recipe.lengthByte = lengthByte;
  recipe.seed = seed;
  recipe.deviceId = kRigDeviceId;
  if (cardNumber) {
    testimage::RzBlockRecipe block;
    block.cardNumber = *cardNumber;
    recipe.block = block;
  }
  if (tweak) tweak(recipe);
  return testimage::BuildImage(recipe);
}

struct JobCase {
  const char* name;
  std::function<Bytes()> file;  // contents of the file to flash
  std::uint32_t flashMode = 1;
  std::optional<std::uint8_t> cardBlock = kCardNumber;  // card number in the card's own ROM
  json eeprom = json{{"chip", "SST 39VF010"}};
  json faults = json::object();
  std::uint32_t result = 0;
  std::vector<std::string> messages;
  bool chipTouched = true;
  std::function<Bytes()> expectedContents;  // null: the file's bytes
  bool noAsic = false;
  bool missingFile = false;
};

sim::NvidiaCard& Card(EepromRig& rig) {
  return dynamic_cast<sim::NvidiaCard&>(*rig.Machine().DeviceAt(1, 0));
}

void RunCase(const JobCase& c) {
  SCOPED_TRACE(c.name);
  TempDir files;
  const Bytes old = Built(0x20, 1, c.cardBlock);
  ASSERT_TRUE(testimage::WriteFile(files.File("old.rom"), old));
  const Bytes file = c.file();
  ASSERT_TRUE(testimage::WriteFile(files.File("new.rom"), file));
  json e = c.eeprom;
  e["image"] = files.File("old.rom");
  EepromRig rig(json{{"eeprom", e}}, json{{"faults", c.faults}});
  if (c.noAsic) rig.harness.program->asics.entries.clear();
  rig.harness.program->adapters.adapters[0].cardNumber = c.cardBlock.value_or(0xFF);
  rig.StartTrace();
  const std::string path = c.missingFile ? files.File("absent.rom") : files.File("new.rom");
  EXPECT_EQ(eeprom::RunFlashJob(rig.ctx, 0, path, c.flashMode), c.result);
  EXPECT_EQ(rig.harness.ui.Messages(), c.messages);
  EXPECT_TRUE(rig.LeftClean());
  auto* chip = Card(rig).Chip();
  const bool touched = chip->Counters().chipErases + chip->Counters().bytesProgrammed > 0;
  EXPECT_EQ(touched, c.chipTouched);
  // Requests to stop are held exactly when the chip is touched, once, and no longer than the job.
  EXPECT_EQ(rig.harness.platform->Interrupts().Spans().size(), touched ? 1u : 0u);
  const auto contents = chip->Contents();
  if (!c.chipTouched) {
    EXPECT_TRUE(std::equal(old.begin(), old.end(), contents.begin())) << "chip unchanged";
  } else if (c.result == eeprom::kFlashOk) {
    const Bytes want = c.expectedContents ? c.expectedContents() : file;
    EXPECT_TRUE(std::equal(want.begin(), want.end(), contents.begin()));
    EXPECT_EQ(rig.ctx.imageBuffer.length, 0u);
  }
}

TEST(FlashJob, ImageChecks) {
  const std::vector<JobCase> cases = {
      {.name = "check skipped with mode 1", .file = [] { return Built(0x20, 9, 7); }},
      {.name = "check passes with mode 2", .file = [] { return Built(0x20, 9, kCardNumber); },
       .flashMode = 2},
      {.name = "other subsystem id",
       .file = [] { return Built(0x20, 9, kCardNumber, [](auto& s) { s.subsystemId = 0x1234; }); },
       .flashMode = 2, .result = eeprom::kFlashWrongImage, .chipTouched = false},
      {.name = "other device id",
       .file = [] { return Built(0x20, 9, kCardNumber, [](auto& s) { s.deviceId = 0x0192; }); },
       .flashMode = 2, .result = eeprom::kFlashWrongImage, .chipTouched = false},
      {.name = "other card number", .file = [] { return Built(0x20, 9, 4); }, .flashMode = 2,
       .result = eeprom::kFlashWrongImage, .chipTouched = false},
      {.name = "image without block, card with one", .file = [] { return Built(0x20, 9, {}); },
       .flashMode = 2, .result = eeprom::kFlashWrongImage, .chipTouched = false},
      {.name = "image and card without block", .file = [] { return Built(0x20, 9, {}); },
       .flashMode = 2, .cardBlock = std::nullopt},
      {.name = "longer file: only the length byte's bytes",
       .file = [] { return Built(0x20, 9, 7, [](auto& s) { s.fileLength = 0x9000; }); },
       .expectedContents = [] {
         Bytes b = Built(0x20, 9, 7);
         b.resize(0x9000, 0xFF);  // the rest of the chip is erased
         return b;
       }},
  };
  for (const auto& c : cases) RunCase(c);
}

TEST(FlashJob, UnreadableImagesNeverTouchTheChip) {
  const std::vector<std::string> readError = {"Error reading file into buffer."};
  const std::vector<JobCase> cases = {
      {.name = "neither image nor package", .file = [] { return Bytes(0x4000, 0x11); },
       .result = eeprom::kFlashFailed, .messages = readError, .chipTouched = false},
      {.name = "neither, with the check", .file = [] { return Bytes(0x4000, 0x11); },
       .flashMode = 2, .result = eeprom::kFlashWrongImage, .messages = readError, .chipTouched = false},
      {.name = "longer than the buffer",
       .file = [] { return Built(0x81, 9, 7); }, .result = eeprom::kFlashFailed, .messages = readError,
       .chipTouched = false},
      {.name = "shorter than its length byte",
       .file = [] { Bytes b = Built(0x40, 9, 7); b.resize(0x1000); return b; }, .result = eeprom::kFlashFailed,
       .messages = readError, .chipTouched = false},
      {.name = "zero length byte",
       .file = [] { Bytes b = Built(0x10, 9, 7); b[2] = 0; return b; }, .result = eeprom::kFlashFailed,
       .messages = readError, .chipTouched = false},
      {.name = "package with empty first slot",
       .file = [] { return testimage::BuildPackage({{}, Built(0x20, 9, kCardNumber)}); },
       .result = eeprom::kFlashFailed, .messages = readError, .chipTouched = false},
      {.name = "package without a fitting image",
       .file = [] { return testimage::BuildPackage({Built(0x20, 9, 1), Built(0x20, 9, 2)}); },
       .result = eeprom::kFlashFailed, .messages = readError, .chipTouched = false},
  };
  for (const auto& c : cases) RunCase(c);
}

TEST(FlashJob, PackagesGiveTheImageOfTheCard) {
  const Bytes one = Built(0x20, 11, 1);
  const Bytes three = Built(0x18, 12, kCardNumber);
  const std::vector<JobCase> cases = {
      {.name = "image with the card's number", .file = [&] { return testimage::BuildPackage({one, three}); },
       .expectedContents = [&] { return three; }},
      {.name = "card without block takes slot 1",
       .file = [&] { return testimage::BuildPackage({one, three}); }, .cardBlock = std::nullopt,
       .expectedContents = [&] { return one; }},
  };
  for (const auto& c : cases) RunCase(c);
}

TEST(FlashJob, FailuresAndTheirCodes) {
  const auto good = [] { return Built(0x20, 9, kCardNumber); };
  const std::vector<JobCase> cases = {
      {.name = "no configuration entry", .file = good, .result = eeprom::kFlashNoWindow,
       .messages = {"Supported device not found.", "mapNV"}, .chipTouched = false, .noAsic = true},
      {.name = "file cannot be opened", .file = good, .result = eeprom::kFlashFileOrAccess, .messages = {"Cannot open file"},
       .chipTouched = false, .missingFile = true},
      {.name = "identification cannot map", .file = good,
       .faults = json{{"map_fail_after", 1}}, .result = eeprom::kFlashFileOrAccess,
       .messages = {"DeviceIOControl Fail(IOCTL_MAP_PHYS_TO_LINEAR)", "mapNV",
                    "Accessing EEPROM error"},
       .chipTouched = false},
      {.name = "unknown chip", .file = good, .eeprom = json{{"chip", "UNKNOWN PARALLEL"}},
       .result = eeprom::kFlashNoWindow, .messages = {"Supported EEPROM not found."}, .chipTouched = false},
      {.name = "a byte that will not program", .file = good,
       .faults = json{{"stuck_cells", {{"offset", 0x100}}}}, .result = eeprom::kFlashFailed,
       .messages = {"Programming cycle had an error ... Aborting."}},
      {.name = "serial page that never verifies", .file = good,
       .eeprom = json{{"chip", "PMC PM25LV010"}}, .faults = json{{"stuck_cells", {{"offset", 0x100}}}},
       .result = eeprom::kFlashFailed, .messages = {"Programming cycle had an error ... Aborting."}},
  };
  for (const auto& c : cases) RunCase(c);
}

TEST(FlashJob, ASecondJobReadsItsOwnFile) {
  TempDir files;
  const Bytes first = Built(0x20, 21, kCardNumber);
  const Bytes second = Built(0x10, 22, kCardNumber);
  ASSERT_TRUE(testimage::WriteFile(files.File("a.rom"), first));
  ASSERT_TRUE(testimage::WriteFile(files.File("b.rom"), second));
  EepromRig rig(json{{"eeprom", {{"chip", "SST 39VF010"}}}});
  rig.harness.program->adapters.adapters[0].cardNumber = kCardNumber;
  // The first job fails its check after reading its image into the buffer.
  rig.harness.program->adapters.adapters[0].subsystemIds = 0;
  EXPECT_EQ(eeprom::RunFlashJob(rig.ctx, 0, files.File("a.rom"), 2), eeprom::kFlashWrongImage);
  rig.harness.program->adapters.adapters[0].subsystemIds = 0;
  EXPECT_EQ(eeprom::RunFlashJob(rig.ctx, 0, files.File("b.rom"), 1), eeprom::kFlashOk);
  const auto contents = Card(rig).Chip()->Contents();
  EXPECT_TRUE(std::equal(second.begin(), second.end(), contents.begin()));
  EXPECT_TRUE(std::all_of(contents.begin() + 0x2000, contents.begin() + 0x4000,
                          [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_TRUE(rig.LeftClean());
}

}  // namespace
}  // namespace rz::test
