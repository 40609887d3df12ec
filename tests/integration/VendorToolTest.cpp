// SPDX-License-Identifier: GPL-3.0-or-later
// The vendor flash tool's call sites on the emulated machine with the emulated tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "commands/VendorTool.h"
#include "host/RunFolder.h"
#include "sim/images/TestImage.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> AtiImage(std::uint32_t seed) {
  testimage::ImageRecipe recipe;
  recipe.vendorId = 0x1002;
  recipe.deviceId = 0x9442;
  recipe.lengthByte = 0x20;
  recipe.modelText = "RZ-HD485/F2";
  recipe.seed = seed;
  return testimage::BuildImage(recipe);
}

// One or more ATI boards whose BIOS files lie in the harness folder; the tool placeholder is
// created unless `withTool` is false.
struct AtiMachine {
  explicit AtiMachine(json toolMode = "ok", std::vector<std::uint16_t> subsystems = {0x21B8},
                      bool withTool = true)
      : h(Describe(toolMode, subsystems)) {
    if (withTool) {
      fs::create_directories(h.dir.Path() / "tool");
      h.dir.Write(sim::kEmulatedToolRelativePath, "placeholder");
    }
    fields.atiToolPath = commands::AtiToolPathFor(h.dir.Folder());
  }
  json Describe(const json& toolMode, const std::vector<std::uint16_t>& subsystems) {
    json adapters = json::array();
    for (std::size_t i = 0; i < subsystems.size(); ++i) {
      const std::string name = "card" + std::to_string(i) + ".rom";
      testimage::WriteFile(h0.File(name), AtiImage(static_cast<std::uint32_t>(i + 1)));
      json a = Adapter(static_cast<std::uint8_t>(i + 1), 0, 0x1002, 0x9442);
      a["subsystem_id"] = subsystems[i];
      a["eeprom"] = {{"image", h0.File(name)}};
      adapters.push_back(a);
    }
    return json{{"vendor_tool", toolMode}, {"adapters", adapters}};
  }
  commands::VendorToolContext Ctx(std::uint16_t subsystemId = 0x21B8) {
    return {h.platform->Seams(), h.ui, fields, subsystemId};
  }
  fs::path Cwd() const { return h.platform->System().GetCurrentDirectory(); }
  // The run's private folder, where the tool runs and exchanges its files.
  fs::path Exchange() const { return h.platform->System().ScratchDirectory(); }
  // The user's own files of the exchange files' names, beside which the program was started.
  void PutUserFiles() {
    for (const char* name : {"Backup.rom", "Save.bin", "Flash.bin"})
      h.dir.Write(name, std::string("the user's own ") + name);
  }
  void ExpectUserFilesKept(const std::string& what) {
    for (const char* name : {"Backup.rom", "Save.bin", "Flash.bin"}) {
      const auto bytes = ReadAll(Cwd() / name);
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("the user's own ") + name)
          << what;
    }
  }
  sim::AtiCard& Card(std::size_t i) {
    return *dynamic_cast<sim::AtiCard*>(h.platform->AdapterDevice(i));
  }
  TempDir h0;  // the boards' BIOS files
  SimHarness h;
  commands::VendorToolFields fields;
};

TEST(VendorTool, AdapterIndexOneBoardsGetAdapterOneInAllThreeCommandLines) {
  struct Case {
    const char* args;
    const char* onIndexOne;
  } cases[] = {{" -s 0 Backup.rom -quiet", " -s 1 Backup.rom -quiet"},
               {"-s 0 Save.bin -quiet", "-s 1 Save.bin -quiet"},
               {"-p 0 Flash.bin -f -quiet", "-p 1 Flash.bin -f -quiet"},
               {"-s 00 x", "-s 00 x"}};
  for (const std::uint16_t subsystem : {std::uint16_t{0x0028}, std::uint16_t{0x21B8},
                                        std::uint16_t{0x2800}}) {
    for (const auto& c : cases) {
      AtiMachine m("missing");
      m.fields.atiToolArgs = c.args;
      auto ctx = m.Ctx(subsystem);
      const auto result = commands::RunFlashTool(ctx);
      const std::string expected = subsystem == 0x0028 ? c.onIndexOne : c.args;
      EXPECT_FALSE(result.started);
      EXPECT_EQ(m.fields.atiToolArgs, expected) << c.args;
      ASSERT_EQ(m.h.platform->Launcher().launches.size(), 1u);
      EXPECT_EQ(m.h.platform->Launcher().launches[0].parameters, expected);
      EXPECT_EQ(m.h.platform->Launcher().launches[0].path, m.h.dir.File(sim::kEmulatedToolRelativePath));
      EXPECT_EQ(m.h.platform->Launcher().launches[0].folder, (m.Exchange() / "").make_preferred().string());
    }
  }
  EXPECT_TRUE(commands::UsesAdapterIndexOne(0x0028));
  EXPECT_FALSE(commands::UsesAdapterIndexOne(0x2800));
}

// Every road through the tool, each way the tool can behave: the user's files of the exchange
// files' names beside the program are never read, replaced or removed, and the exchange files do
// not outlive their use.
TEST(VendorTool, UsersFilesOfTheExchangeNamesAreNeverTouched) {
  for (const json& tool : {json("ok"), json("silent"), json("fails"), json("missing")}) {
    AtiMachine m(tool);
    m.PutUserFiles();
    testimage::WriteFile(m.h.dir.File("new.rom"), AtiImage(5));
    auto ctx = m.Ctx();
    const bool backedUp = commands::RunAtiBackup(ctx, m.h.dir.Folder());
    EXPECT_EQ(backedUp, tool == "ok") << tool;
    EXPECT_EQ(m.fields.atiImageFile, (m.Exchange() / "Backup.rom").make_preferred().string());
    if (backedUp) {
      EXPECT_EQ(ReadAll(m.fields.atiImageFile), m.Card(0).Eeprom());
    }
    commands::RemoveExchangeFile(ctx, commands::kAtiBackupFile);
    const bool saved = commands::RunAtiSave(ctx, m.h.dir.File("saved.rom"));
    EXPECT_EQ(saved, tool == "ok") << tool;
    m.fields.atiImageFile = m.h.dir.File("new.rom");
    ASSERT_TRUE(commands::PrepareAtiFlash(ctx)) << tool;
    EXPECT_EQ(ReadAll(m.Exchange() / "Flash.bin"), AtiImage(5));
    commands::RunAtiFlash(ctx);
    m.ExpectUserFilesKept(tool.dump());
    // Nothing of the exchange is left; the run's own mark of its folder stays until the run ends.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(m.Exchange()))
      if (e.path().filename() != platform::kRunFolderLockName) left.push_back(e.path().string());
    EXPECT_EQ(left, std::vector<std::string>{}) << tool;
  }
}

TEST(VendorTool, SaveNeedsAFreshFileFromAToolThatEndedWell) {
  struct Case {
    const char* what;
    json tool;
    bool ok;
  } cases[] = {{"tool writes nothing", "silent", false},
               {"tool fails", "fails", false},
               {"tool cannot start", "missing", false},
               {"tool wrote but reported an error", json{{"exit_code", 3}}, false},
               {"tool works", "ok", true}};
  for (const auto& c : cases) {
    AtiMachine m(c.tool);
    m.h.dir.Write("backup.rom", "an earlier backup");
    auto ctx = m.Ctx();
    const std::string target = m.h.dir.File("backup.rom");
    EXPECT_EQ(commands::RunAtiSave(ctx, target), c.ok) << c.what;
    EXPECT_EQ(m.h.platform->Launcher().launches.at(0).parameters, "-s 0 Save.bin -quiet");
    EXPECT_EQ(m.fields.atiImageFile, target);
    const auto saved = ReadAll(target);
    if (c.ok) {
      EXPECT_EQ(saved, m.Card(0).Eeprom()) << c.what;
    } else {
      EXPECT_EQ(std::string(saved.begin(), saved.end()), "an earlier backup") << c.what;
    }
    EXPECT_EQ(m.h.ui.Messages().back(),
              c.ok ? "Save VGA BIOS completed!!!" : "Save VGA BIOS failed!!!")
        << c.what;
    EXPECT_EQ(m.h.ui.Events().back().kind, ui::EventKind::ProcessEvents);
  }
}

// A disk that fills up while the backup is written: the earlier backup stays whole and no
// fragment of the new one is left beside it.
TEST(VendorTool, SaveThatCannotBeWrittenWholeKeepsTheEarlierBackup) {
  struct ShortWrites final : platform::ForwardingFileSystem {
    using ForwardingFileSystem::ForwardingFileSystem;
    std::unique_ptr<platform::File> CreateUnique(const std::string& f, const std::string& p,
                                                 std::string& path) override {
      struct Half final : platform::File {
        std::unique_ptr<platform::File> in;
        std::size_t Read(void* b, std::size_t n) override { return in->Read(b, n); }
        std::size_t Write(const void* b, std::size_t n) override { return in->Write(b, n / 2); }
        bool Seek(std::int64_t o, platform::SeekOrigin w) override { return in->Seek(o, w); }
        std::int64_t Tell() override { return in->Tell(); }
        bool Flush() override { return in->Flush(); }
        bool Close() override { return in->Close(); }
      };
      auto file = std::make_unique<Half>();
      file->in = Inner().CreateUnique(f, p, path);
      return file->in ? std::move(file) : nullptr;
    }
  };
  AtiMachine m;
  m.h.dir.Write("backup.rom", "an earlier backup");
  ShortWrites files(m.h.platform->Files());
  platform::Platform seams = m.h.platform->Seams();
  platform::Platform full{seams.device, seams.services, seams.system,   files,
                          seams.launcher, seams.registry, seams.shutdown, seams.shell};
  commands::VendorToolContext ctx{full, m.h.ui, m.fields, 0x21B8};
  EXPECT_FALSE(commands::RunAtiSave(ctx, m.h.dir.File("backup.rom")));
  EXPECT_EQ(m.h.ui.Messages(),
            (std::vector<std::string>{"file write error.", "Save VGA BIOS failed!!!"}));
  const auto kept = ReadAll(m.h.dir.File("backup.rom"));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "an earlier backup");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(m.h.dir.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"backup.rom", "tool"}));
}

TEST(VendorTool, SaveOntoWhatIsNotAPlainFileIsRefusedBeforeTheToolRuns) {
  AtiMachine m;
  fs::create_directories(m.h.dir.Path() / "folder");
  auto ctx = m.Ctx();
  EXPECT_FALSE(commands::RunAtiSave(ctx, m.h.dir.File("folder")));
  EXPECT_TRUE(m.h.platform->Launcher().launches.empty());
  EXPECT_EQ(m.h.ui.Messages(), (std::vector<std::string>{"Cannot open file: " +
                                                             m.h.dir.File("folder") + ".",
                                                         "Save VGA BIOS failed!!!"}));
  EXPECT_TRUE(fs::is_directory(m.h.dir.Path() / "folder"));
}

TEST(VendorTool, FlashProgramsTheChosenFileAndReportsCompletion) {
  AtiMachine m;
  const auto image = AtiImage(99);
  testimage::WriteFile(m.h.dir.File("new.rom"), image);
  auto ctx = m.Ctx();
  m.fields.atiImageFile = m.h.dir.File("new.rom");
  ASSERT_TRUE(commands::PrepareAtiFlash(ctx));
  EXPECT_EQ(m.fields.atiToolArgs, "-p 0 Flash.bin -f -quiet");
  EXPECT_TRUE(commands::RunAtiFlash(ctx));
  const auto& eeprom = m.Card(0).Eeprom();
  ASSERT_GE(eeprom.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), eeprom.begin()));
  EXPECT_EQ(m.h.ui.Lines(),
            (std::vector<std::string>{"status: Ready", "msg: Flash VGA BIOS completed!!!"}));
}

TEST(VendorTool, FlashFailsWithoutRestartWhenCopyOrToolFails) {
  {  // the chosen file cannot be copied: no launch
    AtiMachine m;
    auto ctx = m.Ctx();
    m.fields.atiImageFile = m.h.dir.File("does-not-exist.rom");
    EXPECT_FALSE(commands::PrepareAtiFlash(ctx));
    EXPECT_EQ(m.h.ui.Lines(), std::vector<std::string>{"msg: Flash VGA BIOS failed!!!"});
    EXPECT_TRUE(m.h.platform->Launcher().launches.empty());
  }
  struct Case {
    const char* what;
    json tool;
    bool withTool;
  } cases[] = {{"missing", "missing", true},
               {"placeholder absent", "ok", false},
               {"fails", "fails", true},
               {"non-zero exit", json{{"exit_code", 1}}, true}};
  for (const auto& c : cases) {
    AtiMachine m(c.tool, {0x21B8}, c.withTool);
    testimage::WriteFile(m.h.dir.File("new.rom"), AtiImage(7));
    auto ctx = m.Ctx();
    m.fields.atiImageFile = m.h.dir.File("new.rom");
    ASSERT_TRUE(commands::PrepareAtiFlash(ctx)) << c.what;
    EXPECT_FALSE(commands::RunAtiFlash(ctx)) << c.what;
    EXPECT_EQ(m.h.ui.Lines(),
              (std::vector<std::string>{"status: Ready", "msg: Flash VGA BIOS failed!!!"}))
        << c.what;
  }
}

TEST(VendorTool, AdapterIndexOneBoardFlashesTheSecondAtiAdapter) {
  AtiMachine m("ok", {0x0028, 0x0028});
  const auto before = m.Card(0).Eeprom();
  const auto image = AtiImage(42);
  testimage::WriteFile(m.h.dir.File("new.rom"), image);
  auto ctx = m.Ctx(0x0028);
  m.fields.atiImageFile = m.h.dir.File("new.rom");
  ASSERT_TRUE(commands::PrepareAtiFlash(ctx));
  ASSERT_TRUE(commands::RunAtiFlash(ctx));
  EXPECT_EQ(m.fields.atiToolArgs, "-p 1 Flash.bin -f -quiet");
  EXPECT_EQ(m.Card(0).Eeprom(), before);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), m.Card(1).Eeprom().begin()));
}

}  // namespace
}  // namespace rz::test
