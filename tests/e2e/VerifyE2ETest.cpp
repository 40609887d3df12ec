// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli verify: the card compared with a file on both roads, the first differing offset and
// the count of differing bytes, packages reduced to the card's image; the card is never written.
#include <gtest/gtest.h>

#include <functional>

#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using testimage::BuildPackage;
using testimage::ImageRecipe;
using Bytes = std::vector<std::uint8_t>;

Bytes Flip(Bytes b, std::size_t offset) {
  b.at(offset) ^= 0x5A;
  return b;
}

ImageRecipe OtherCardNumber(std::uint8_t number) {
  ImageRecipe s = PresetNvidiaImage();
  s.block->cardNumber = number;
  s.seed = 5;
  return s;
}

struct VerifyCase {
  const char* name;
  bool ati;
  std::function<Bytes(const Bytes& card)> file;  // from the card's image
  // The image the card is compared with (empty: the file holds none for this card).
  std::function<Bytes(const Bytes& card, const Bytes& file)> image;
  bool package = false;
};

Bytes Same(const Bytes& card) { return card; }
Bytes FileItself(const Bytes&, const Bytes& file) { return file; }

class Verify : public ::testing::TestWithParam<VerifyCase> {};

TEST_P(Verify, ComparesWithoutWritingTheCard) {
  const VerifyCase& c = GetParam();
  CliSandbox box;
  const Bytes cardImage = BuildImage(c.ati ? PresetAtiImage() : PresetNvidiaImage());
  const std::string scenario =
      box.WriteScenario("m.json", c.ati ? AtiMachine(box, 0x21B8, cardImage)
                                        : NvidiaMachine(box, "PMC PM25LV010", 0x34C7, cardImage));
  const std::string cardFile = c.ati ? "ati-card.rom" : "card.rom";
  // The card as the emulator keeps it (the whole chip) after a run that only reads it.
  ASSERT_EQ(box.Run({"--machine", scenario, "info"}).exitCode, 0);
  const Bytes before = box.Read(cardFile);
  const Bytes file = c.file(cardImage);
  box.Write("file.rom", file);
  const Bytes image = c.image(cardImage, file);

  const CliResult r = box.Run({"--machine", scenario, "--json", "verify", "file.rom"});
  EXPECT_EQ(box.Read(cardFile), before) << "verify never writes the card";

  // What the comparison must find, worked out here from the card's own contents.
  std::int64_t first = -1;
  std::uint64_t count = 0;
  for (std::size_t i = 0; i < image.size(); ++i) {
    if (i < before.size() && before[i] == image[i]) continue;
    if (first < 0) first = static_cast<std::int64_t>(i);
    ++count;
  }
  const bool compared = !image.empty();
  const bool match = compared && count == 0;
  EXPECT_EQ(r.exitCode, match ? 0 : 1) << r.err;
  json j;
  ASSERT_NO_THROW(j = json::parse(r.out)) << r.out;
  EXPECT_EQ(j.at("command"), "verify");
  EXPECT_EQ(j.at("exit_code"), r.exitCode);
  EXPECT_EQ(j.at("road"), c.ati ? "vendor tool" : "programmed");
  EXPECT_EQ(j.at("file"), "file.rom");
  EXPECT_EQ(j.at("match"), match);
  EXPECT_EQ(j.at("compared"), compared);
  EXPECT_EQ(j.at("package"), c.package);
  EXPECT_EQ(j.at("problem").is_null(), compared) << j.dump();
  if (compared) {
    EXPECT_EQ(j.at("image_length"), image.size());
    EXPECT_EQ(j.at("differing_bytes"), count);
    if (match) {
      EXPECT_TRUE(j.at("first_difference").is_null());
    } else {
      EXPECT_EQ(j.at("first_difference"), first);
    }
  }
  if (match) {
    EXPECT_NE(r.err.find("Verify: the card holds this image\n"), std::string::npos) << r.err;
  } else if (compared) {
    char text[160];
    std::snprintf(text, sizeof text, "from offset 0x%llX on; %llu of %zu bytes differ",
                  static_cast<unsigned long long>(first), static_cast<unsigned long long>(count),
                  image.size());
    EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
  }
  // On the tool road the card is read through the tool's save.
  if (c.ati) {
    EXPECT_TRUE(r.Has(Launch("<dir>", "-s 0 Save.bin -quiet"))) << ::testing::PrintToString(r.lines);
  }
  EXPECT_TRUE(r.Starting("msg").empty()) << "no dialog of the flash or save";
}

INSTANTIATE_TEST_SUITE_P(
    Files, Verify,
    ::testing::Values(
        VerifyCase{"Matching", false, Same, FileItself},
        VerifyCase{"OneByteDiffers", false, [](const Bytes& b) { return Flip(b, 0x1234); },
                   FileItself},
        VerifyCase{"LastByteDiffers", false,
                   [](const Bytes& b) { return Flip(b, b.size() - 1); }, FileItself},
        // A file longer than its image: only the image's own length is compared.
        VerifyCase{"TrailingBytesIgnored", false,
                   [](const Bytes& b) {
                     Bytes f = b;
                     f.insert(f.end(), 4096, 0x00);
                     return f;
                   },
                   [](const Bytes& card, const Bytes&) { return card; }},
        VerifyCase{"PackageReducedToThisCard", false,
                   [](const Bytes& b) { return BuildPackage({BuildImage(OtherCardNumber(1)), b}); },
                   [](const Bytes& card, const Bytes&) { return card; }, true},
        VerifyCase{"PackageForOtherCards", false,
                   [](const Bytes&) {
                     return BuildPackage({BuildImage(OtherCardNumber(1)), BuildImage(OtherCardNumber(2))});
                   },
                   [](const Bytes&, const Bytes&) { return Bytes{}; }, true},
        VerifyCase{"FileOfAnotherCard", false,
                   [](const Bytes&) {
                     ImageRecipe s = PresetNvidiaImage();
                     s.deviceId = 0x0400;
                     s.subsystemId = 0x34C9;
                     s.seed = 3;
                     return BuildImage(s);
                   },
                   FileItself},
        VerifyCase{"NotAnImage", false, [](const Bytes&) { return Bytes(1000, 0x20); },
                   [](const Bytes&, const Bytes&) { return Bytes{}; }},
        VerifyCase{"AtiMatching", true, Same, FileItself},
        VerifyCase{"AtiOneByteDiffers", true, [](const Bytes& b) { return Flip(b, 0x200); },
                   FileItself},
        VerifyCase{"AtiFileOfAnotherBoard", true,
                   [](const Bytes&) { return BuildImage(AtiImage(0x21B9, "RZ-HD485/F3")); },
                   FileItself}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(VerifyWithoutCard, EndsWithStatusOneAndSaysWhy) {
  CliSandbox box;
  box.Write("file.rom", BuildImage(PresetNvidiaImage()));
  const CliResult r = box.Run({"--machine", "no-card", "verify", "file.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Verify: there is no card"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace rz::e2e
