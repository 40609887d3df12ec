// SPDX-License-Identifier: GPL-3.0-or-later
// What inspect prints: the boards of RZFLASH.CFG an image fits, the text lines, and the shape of
// its JSON members for a chain, a package and a file that is no BIOS.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "RomChainImages.h"
#include "cli/InspectReport.h"

namespace rz::test {
namespace {

using nlohmann::json;

config::AsicTable Table() {
  config::AsicTable t;
  t.built = true;
  t.entries = {{.vendorId = 0x10DE, .deviceId = 0x0191, .type = 1, .name = "FIRST"},
               {.vendorId = 0x10DE, .deviceId = 0x0191, .type = 0, .name = "UNUSED"},
               {.vendorId = 0x10DE, .deviceId = 0x0193, .type = 1, .name = "OTHER"},
               {.vendorId = 0x1234, .deviceId = 0x0191, .type = 1, .name = "VENDOR"},
               {.vendorId = 0x10DE, .deviceId = 0x0191, .type = 1, .name = "SECOND"}};
  return t;
}

TEST(InspectReport, FittingBoards) {
  struct Case {
    std::uint16_t vendor, device;
    std::vector<std::string> names;
  };
  const Case cases[] = {{0x10DE, 0x0191, {"FIRST", "SECOND"}},
                        {0x10DE, 0x0193, {"OTHER"}},
                        {0x1234, 0x0191, {"VENDOR"}},
                        {0x10DE, 0x0400, {}}};
  const auto table = Table();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    std::vector<std::string> names;
    for (const auto& e : cli::FittingBoards(table, {.vendorId = c.vendor, .deviceId = c.device}))
      names.push_back(e.name);
    EXPECT_EQ(names, c.names);
  }
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

json Members(const bios::FileInspection& f, const cli::InspectConfig& config) {
  cli::JsonWriter w;
  w.BeginObject();
  cli::WriteInspectMembers(w, f, config);
  w.EndObject();
  return json::parse(w.Text());
}

TEST(InspectReport, ChainAsLinesAndJson) {
  auto legacy = Legacy(0x40, false);
  legacy.block = testimage::RzBlockRecipe{.cardNumber = 4};
  const ByteList bytes = Chain({legacy, OfType(3, 0x20, true)});
  const auto f = bios::InspectBytes(bytes, bytes.size(), "abc");
  const auto table = Table();
  const cli::InspectConfig config{&table, "/p//RZFLASH.CFG"};

  const auto lines = cli::InspectLines("x.rom", f, config);
  for (const char* line :
       {"file: x.rom", "size: 49152 bytes", "sha256: abc", "contents: 2 images",
        "image 1 at 0x0: 32 KiB, legacy x86, PCI 10DE:0191, checksum ok",
        "  BIOS \"PX4R7 F4\" from its \"$RZ\" block, card number 4",
        "  fits in RZFLASH.CFG: FIRST, SECOND",
        "image 2 at 0x8000: 16 KiB, UEFI, PCI 10DE:0191, last image",
        "walk stopped: the image at 0x8000 is flagged as the last one"})
    EXPECT_TRUE(HasLine(lines, line)) << line << "\n" << ::testing::PrintToString(lines);

  const json j = Members(f, config);
  EXPECT_EQ(j["kind"], "image");
  EXPECT_EQ(j["size"], 49152);
  EXPECT_EQ(j["sha256"], "abc");
  ASSERT_EQ(j["images"].size(), 2u);
  const json& first = j["images"][0];
  EXPECT_EQ(first["offset"], 0);
  EXPECT_EQ(first["length"], 32768);
  EXPECT_EQ(first["pci"]["vendor_id"], "0x10DE");
  EXPECT_EQ(first["pci"]["code_type"], 0);
  EXPECT_EQ(first["pci"]["last"], false);
  EXPECT_EQ(first["checksum_ok"], true);
  EXPECT_EQ(first["bios"]["source"], "block");
  EXPECT_EQ(first["bios"]["card_number"], 4);
  EXPECT_EQ(first["boards"], json::array({"FIRST", "SECOND"}));
  const json& second = j["images"][1];
  EXPECT_EQ(second["offset"], 32768);
  EXPECT_EQ(second["pci"]["code_type_name"], "UEFI");
  EXPECT_TRUE(second["checksum_ok"].is_null());
  EXPECT_TRUE(second["bios"].is_null());
  EXPECT_EQ(j["chain_end"]["reason"], "last_image");
  EXPECT_EQ(j["chain_end"]["offset"], 32768);
  EXPECT_TRUE(j["slots"].empty());
  EXPECT_EQ(j["config_read"], true);
}

TEST(InspectReport, PackageAndNoBiosAsJson) {
  const ByteList package = testimage::BuildPackage({testimage::BuildImage({}), {}, ByteList(600, 1)});
  const auto p = bios::InspectBytes(package, package.size(), "d");
  const cli::InspectConfig none{nullptr, "/nowhere/RZFLASH.CFG"};
  const json j = Members(p, none);
  EXPECT_EQ(j["kind"], "package");
  EXPECT_TRUE(j["images"].empty());
  EXPECT_TRUE(j["chain_end"].is_null());
  ASSERT_EQ(j["slots"].size(), 2u);
  EXPECT_EQ(j["slots"][0]["slot"], 1);
  EXPECT_EQ(j["slots"][0]["status"], "image");
  EXPECT_EQ(j["slots"][0]["image"]["offset"], 0x40);
  EXPECT_TRUE(j["slots"][0]["image"]["boards"].is_null());  // no table read
  EXPECT_EQ(j["slots"][1]["slot"], 3);
  EXPECT_EQ(j["slots"][1]["status"], "no_image");
  EXPECT_TRUE(j["slots"][1]["image"].is_null());
  EXPECT_EQ(j["config_read"], false);
  EXPECT_EQ(j["config_path"], "/nowhere/RZFLASH.CFG");
  const auto lines = cli::InspectLines("p.rom", p, none);
  EXPECT_TRUE(HasLine(lines, "contents: a \"$RZ0\" package, 2 of 8 slots used"));
  EXPECT_TRUE(HasLine(lines, "slot 3 at 0x10040: no image there"));
  EXPECT_TRUE(HasLine(lines, "RZFLASH.CFG: cannot be read at /nowhere/RZFLASH.CFG; no boards matched"));

  const ByteList text(10, 'x');
  const json n = Members(bios::InspectBytes(text, text.size(), "d"), none);
  EXPECT_EQ(n["kind"], "none");
  EXPECT_TRUE(n["images"].empty());
  EXPECT_EQ(n["chain_end"]["reason"], "no_signature");
  EXPECT_EQ(n["chain_end"]["bytes_after"], 10);
  EXPECT_EQ(n["chain_end"]["blank_after"], false);
}

}  // namespace
}  // namespace rz::test
