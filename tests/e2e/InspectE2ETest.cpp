// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli inspect FILE: a look inside a BIOS file with no card and no driver, as text and as
// one JSON object; the exit status says whether the file holds an image the program can take.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "Machines.h"
#include "base/Sha256.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using testimage::BuildPackage;
using Bytes = std::vector<std::uint8_t>;

Bytes LegacyThenUefi() {
  auto legacy = PresetNvidiaImage();
  legacy.lastImage = false;
  auto uefi = PresetNvidiaImage();
  uefi.block.reset();
  uefi.codeType = 3;
  uefi.lengthByte = 0x40;
  Bytes bytes = BuildImage(legacy);
  const Bytes second = BuildImage(uefi);
  bytes.insert(bytes.end(), second.begin(), second.end());
  return bytes;
}

struct InspectCase {
  const char* name;
  std::function<Bytes()> file;  // written as file.rom; null: no file
  std::vector<std::string> args;
  int exitCode;
  const char* kind;     // null: no inspection (the file could not be read)
  std::size_t images;   // of the chain
  std::size_t slots;    // of a package
  const char* problem;  // part of the problem; null: none
};

const InspectCase kCases[] = {
    {"LegacyThenUefi", LegacyThenUefi, {"inspect", "file.rom"}, 0, "image", 2, 0, nullptr},
    {"OnTheMachinesConfig", LegacyThenUefi, {"--machine", "nvidia-spi", "inspect", "file.rom"}, 0,
     "image", 2, 0, nullptr},
    {"Package",
     [] { return BuildPackage({BuildImage(PresetNvidiaImage()), {}, BuildImage(PresetNvidiaImage())}); },
     {"inspect", "file.rom"}, 0, "package", 0, 2, nullptr},
    {"NoBios", [] { return Bytes(4000, 'x'); }, {"inspect", "file.rom"}, 1, "none", 0, 0,
     "holds no BIOS image"},
    {"CutImage",
     [] {
       Bytes b = BuildImage(PresetNvidiaImage());
       b.resize(b.size() / 2);
       return b;
     },
     {"inspect", "file.rom"}, 1, "image", 1, 0, "its first image is not whole"},
    {"MissingFile", nullptr, {"inspect", "file.rom"}, 1, nullptr, 0, 0, "there is no file file.rom"},
};

class Inspect : public ::testing::TestWithParam<InspectCase> {};

TEST_P(Inspect, ShowsTheFileWithoutACard) {
  const InspectCase& c = GetParam();
  CliSandbox box;
  Bytes bytes;
  if (c.file) {
    bytes = c.file();
    box.Write("file.rom", bytes);
  }
  const CliResult text = box.Run(c.args);
  EXPECT_EQ(text.exitCode, c.exitCode) << text.err;
  EXPECT_TRUE(text.lines.empty());  // the program did not run
  std::vector<std::string> args = c.args;
  args.insert(args.begin(), "--json");
  const CliResult r = box.Run(args);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  json j;
  ASSERT_NO_THROW(j = json::parse(r.out)) << r.out;
  EXPECT_EQ(j["command"], "inspect");
  EXPECT_EQ(j["file"], "file.rom");
  EXPECT_EQ(j["exit_code"], c.exitCode);
  if (c.problem) {
    ASSERT_TRUE(j["problem"].is_string()) << r.out;
    EXPECT_NE(j["problem"].get<std::string>().find(c.problem), std::string::npos) << r.out;
    EXPECT_NE(text.err.find(c.problem), std::string::npos) << text.err;
  } else {
    EXPECT_TRUE(j["problem"].is_null()) << r.out;
  }
  if (!c.kind) {
    EXPECT_FALSE(j.contains("kind")) << r.out;
    return;
  }
  EXPECT_EQ(j["kind"], c.kind);
  EXPECT_EQ(j["size"], bytes.size());
  EXPECT_EQ(j["sha256"], Sha256::Hex(Sha256::Of(bytes)));
  EXPECT_NE(text.out.find("sha256: " + Sha256::Hex(Sha256::Of(bytes))), std::string::npos);
  EXPECT_EQ(j["images"].size(), c.images);
  EXPECT_EQ(j["slots"].size(), c.slots);
}

INSTANTIATE_TEST_SUITE_P(Files, Inspect, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

// The legacy image, the UEFI image after it and the machine's RZFLASH.CFG, as a person reads them.
TEST(Inspect, NamesEachImageAndTheBoardsItFits) {
  CliSandbox box;
  box.Write("file.rom", LegacyThenUefi());
  const CliResult r = box.Run({"--machine", "nvidia-spi", "inspect", "file.rom"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* part :
       {"contents: 2 images\n", "image 1 at 0x0: 64 KiB, legacy x86, PCI 10DE:0191, checksum ok\n",
        "image 2 at 0x10000: 32 KiB, UEFI, PCI 10DE:0191, last image\n",
        "walk stopped: the image at 0x10000 is flagged as the last one\n", "  fits in RZFLASH.CFG: "})
    EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
  EXPECT_EQ(r.out.find("RZFLASH.CFG: cannot be read"), std::string::npos) << r.out;

  const CliResult j = box.Run({"--json", "--machine", "nvidia-spi", "inspect", "file.rom"});
  const json object = json::parse(j.out);
  EXPECT_EQ(object["config_read"], true);
  EXPECT_FALSE(object["images"][0]["boards"].empty());
  EXPECT_EQ(object["images"][1]["pci"]["code_type"], 3);
}

TEST(Inspect, NeedsAFile) {
  CliSandbox box;
  const CliResult r = box.Run({"inspect"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("inspect needs a value"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rz::e2e
