// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the card's BIOS to a file: the image byte-exact, and on every failure the message
// sequence, the result code, an untouched earlier file and no temporary file left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "eeprom/ReadBack.h"
#include "sim/images/TestImage.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// Files created by CreateUnique write short or fail to close.
class FaultingFiles : public platform::ForwardingFileSystem {
 public:
  FaultingFiles(platform::FileSystem& inner, bool shortWrite, bool failClose)
      : ForwardingFileSystem(inner), shortWrite_(shortWrite), failClose_(failClose) {}
  std::unique_ptr<platform::File> CreateUnique(const std::string& folder, const std::string& prefix,
                                               std::string& path) override {
    auto f = Inner().CreateUnique(folder, prefix, path);
    return f ? std::make_unique<Faulty>(std::move(f), shortWrite_, failClose_) : nullptr;
  }

 private:
  struct Faulty : platform::File {
    Faulty(std::unique_ptr<platform::File> f, bool w, bool c) : f_(std::move(f)), w_(w), c_(c) {}
    std::size_t Read(void* b, std::size_t n) override { return f_->Read(b, n); }
    std::size_t Write(const void* b, std::size_t n) override { return f_->Write(b, w_ ? n - 1 : n); }
    bool Seek(std::int64_t o, platform::SeekOrigin w) override { return f_->Seek(o, w); }
    std::int64_t Tell() override { return f_->Tell(); }
    bool Flush() override { return f_->Flush(); }
    bool Close() override { return f_->Close() && !c_; }
    std::unique_ptr<platform::File> f_;
    bool w_, c_;
  };
  bool shortWrite_, failClose_;
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> FolderEntries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FlashSave, ImageIsSavedByteExactAndReplacesAnEarlierFile) {
  TempDir images;
  testimage::ImageRecipe recipe;
  recipe.lengthByte = 0x80;
  recipe.fileLength = 0x20000;  // the rest of the chip holds something else
  const auto image = testimage::BuildImage(recipe);
  ASSERT_TRUE(testimage::WriteFile(images.File("card.rom"), image));
  for (const char* chip : {"SST 39VF010", "ST M25P05"}) {
    SCOPED_TRACE(chip);
    EepromRig rig(json{{"eeprom", {{"chip", chip}, {"image", images.File("card.rom")}}}});
    TempDir out;
    out.Write("backup.rom", "an earlier backup");
    rig.StartTrace();
    EXPECT_EQ(eeprom::SaveRomToFile(rig.ctx, 0, out.File("backup.rom")), eeprom::kSaveOk);
    const auto saved = ReadAll(out.File("backup.rom"));
    ASSERT_EQ(saved.size(), 0x10000u);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), image.begin()));
    EXPECT_EQ(FolderEntries(out.Path()), std::vector<std::string>{"backup.rom"});
    EXPECT_TRUE(rig.harness.ui.Messages().empty());
    EXPECT_TRUE(rig.LeftClean());
  }
}

TEST(FlashSave, FailuresKeepTheEarlierFile) {
  struct Case {
    const char* name;
    json adapter;   // merged into the adapter
    json scenario;  // merged into the scenario
    bool noAsic = false;
    bool shortWrite = false;
    bool failClose = false;
    bool zeroLength = false;
    std::uint32_t result;
    std::vector<std::string> messages;  // %s replaced by the chosen path
  };
  const std::vector<Case> cases = {
      {"not an nvidia adapter", json{{"vendor_id", 0x1002}}, {}, false, false, false, false, eeprom::kSaveFailed, {}},
      {"no configuration entry", {}, {}, true, false, false, false, 5,
       {"Supported device not found."}},
      {"file cannot be created", {}, json{{"faults", {{"temp_file_fail", true}}}}, false, false,
       false, false, eeprom::kSaveFileOrNoChip, {"Cannot open file: %s."}},
      {"identification cannot map", {}, json{{"faults", {{"map_fail_after", 1}}}}, false, false,
       false, false, eeprom::kSaveFailed, {"DeviceIOControl Fail(IOCTL_MAP_PHYS_TO_LINEAR)", "mapNV"}},
      {"unknown chip", json{{"eeprom", {{"chip", "UNKNOWN PARALLEL"}}}}, {}, false, false, false,
       false, eeprom::kSaveFileOrNoChip, {"Supported EEPROM not found."}},
      {"zero length byte", {}, {}, false, false, false, true, 5,
       {"found zero ROM size.", "Getting ROM size."}},
      {"short write", {}, {}, false, true, false, false, eeprom::kSaveFailed, {"file write error."}},
      {"close fails", {}, {}, false, false, true, false, eeprom::kSaveFailed, {"Closing file: %s error"}},
      {"rename fails", {}, json{{"faults", {{"rename_fail", true}}}}, false, false, false, false, 5,
       {"Closing file: %s error"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir images;
    testimage::ImageRecipe recipe;
    recipe.lengthByte = 0x20;
    auto image = testimage::BuildImage(recipe);
    if (c.zeroLength) image[2] = 0;
    ASSERT_TRUE(testimage::WriteFile(images.File("card.rom"), image));
    json adapter = {{"eeprom", {{"chip", "SST 39VF010"}, {"image", images.File("card.rom")}}}};
    if (c.adapter.is_object()) adapter.merge_patch(c.adapter);
    EepromRig rig(adapter, c.scenario);
    if (c.noAsic) rig.harness.program->asics.entries.clear();
    FaultingFiles files(rig.ctx.files, c.shortWrite, c.failClose);
    eeprom::EepromContext ctx = rig.ctx;
    eeprom::EepromContext faulty{ctx.io,     ctx.system,    files,         ctx.ui,
                                 ctx.asics,  ctx.adapters,  ctx.window,    ctx.signature,
                                 ctx.modelText, ctx.imageBuffer};
    TempDir out;
    out.Write("backup.rom", "an earlier backup");
    const std::string path = out.File("backup.rom");
    rig.StartTrace();
    EXPECT_EQ(eeprom::SaveRomToFile(faulty, 0, path), c.result);
    std::vector<std::string> expected;
    for (std::string m : c.messages) {
      if (auto at = m.find("%s"); at != std::string::npos) m.replace(at, 2, path);
      expected.push_back(m);
    }
    EXPECT_EQ(rig.harness.ui.Messages(), expected);
    const auto kept = ReadAll(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "an earlier backup");
    EXPECT_EQ(FolderEntries(out.Path()), std::vector<std::string>{"backup.rom"});
    EXPECT_TRUE(rig.LeftClean());
  }
}

TEST(FlashSave, CaptionsAndIndex) {
  EepromRig rig(json{{"eeprom", {{"chip", "SST 39VF010"}}}});
  rig.harness.program->asics.entries.clear();
  TempDir out;
  EXPECT_EQ(eeprom::SaveRomToFile(rig.ctx, 1, out.File("x.rom")), eeprom::kBadAdapterIndex);
  EXPECT_TRUE(rig.harness.ui.Events().empty());
  EXPECT_EQ(eeprom::SaveRomToFile(rig.ctx, 0, out.File("x.rom")), eeprom::kSaveFailed);
  ASSERT_EQ(rig.harness.ui.Events().size(), 1u);
  EXPECT_EQ(rig.harness.ui.Events()[0].caption, "ERROR");
  EXPECT_EQ(rig.harness.ui.Events()[0].icon, ui::Icon::Error);
  EXPECT_FALSE(fs::exists(out.File("x.rom")));
}

}  // namespace
}  // namespace rz::test
