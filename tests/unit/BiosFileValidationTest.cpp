// SPDX-License-Identifier: GPL-3.0-or-later
// The whole validation of a chosen BIOS file: order of the checks, what the user sees, temp.rom
// and the hand-over to the flash step.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/BuildConfig.h"
#include "base/Paths.h"
#include "bios/BiosFileValidation.h"
#include "support/SimHarness.h"
#include "unit/BiosTestFiles.h"

namespace rz::test {
namespace {

using testimage::BuildImage;
using testimage::ImageRecipe;
using testimage::RzBlockRecipe;

// Process seam that records what validation asks of it; calls land in the shared log.
class RecordingSystem final : public platform::System {
 public:
  explicit RecordingSystem(std::vector<std::string>& log) : log_(log) {}
  std::string scratch = "/scratch";
  std::string ExecutablePath() override { return "/prog/rzflash"; }
  bool AnotherInstanceRunning(const std::string&) override { return false; }
  void ReleaseSingleInstance() override {}
  void Sleep(std::uint32_t ms) override { log_.push_back("sleep " + std::to_string(ms)); }
  std::string GetCurrentDirectory() override { return cwd; }
  bool SetCurrentDirectory(const std::string& path) override {
    log_.push_back("cd " + path);
    cwd = path;
    return true;
  }
  std::string ScratchDirectory() override { return scratch; }
  std::uint32_t GetOSVer() override { return 0; }
  platform::LocalTime Now() override { return {}; }
  platform::UserFolders GetUserFolders() override { return {}; }
  void WriteStdoutLine(const std::string&) override {}
  std::string cwd = "/somewhere";

 private:
  std::vector<std::string>& log_;
};

// A memory file system whose n-th opening of a path for reading fails, and whose writes to a
// path can be cut short.
class FaultyFileSystem final : public platform::ForwardingFileSystem {
 public:
  platform::MemoryFileSystem mem;
  std::string failReadPath;
  int failReadAt = 0;  // 1-based count of the opening that fails; 0 never
  std::string shortWritePath;

  FaultyFileSystem() : ForwardingFileSystem(mem) {}
  std::unique_ptr<platform::File> OpenRead(const std::string& path) override {
    if (path == failReadPath && ++reads_ == failReadAt) return nullptr;
    return mem.OpenRead(path);
  }
  std::unique_ptr<platform::File> OpenWrite(const std::string& path) override {
    auto f = mem.OpenWrite(path);
    if (!f || path != shortWritePath) return f;
    return std::make_unique<ShortWriter>(std::move(f));
  }

 private:
  struct ShortWriter final : platform::File {
    explicit ShortWriter(std::unique_ptr<platform::File> f) : inner(std::move(f)) {}
    std::size_t Read(void* b, std::size_t n) override { return inner->Read(b, n); }
    std::size_t Write(const void* b, std::size_t n) override { return inner->Write(b, n / 2); }
    bool Seek(std::int64_t o, platform::SeekOrigin s) override { return inner->Seek(o, s); }
    std::int64_t Tell() override { return inner->Tell(); }
    bool Flush() override { return inner->Flush(); }
    bool Close() override { return inner->Close(); }
    std::unique_ptr<platform::File> inner;
  };
  int reads_ = 0;
};

constexpr std::uint32_t kIds = 0x10DEu | (0x0191u << 16);
const std::uint32_t kSubsystem = kMakerSubsystemVendorId | (0x34C8u << 16);
// Where validation puts temp.rom in the scratch folder, with the system's separator.
const std::string kTemp = std::string("/scratch") + kPathSeparator + "temp.rom";

struct Validation {
  std::vector<std::string> log;  // system calls and the flash step, in order
  RecordingSystem system{log};
  FaultyFileSystem files;
  ui::ScriptedUi ui;
  bios::CardBiosIdentity card = CardWithText("RZ-PX4R7H/F5");
  std::string startDirectory = "/start";
  bios::ModelText modelText;
  bios::VersionCheckResult result = -1;
  std::vector<std::string> flashed;

  bios::ValidationOutcome Run(const std::string& path, std::uint8_t cardNumber = 0xFF) {
    bios::ValidationContext ctx{files,  system,         ui,        kIds,  kSubsystem, cardNumber,
                                card,   startDirectory, modelText, result};
    return bios::ValidateBiosFile(ctx, path, [&](const std::string& p) {
      log.push_back("flash " + p);
      flashed.push_back(p);
    });
  }
};

ImageRecipe Good(const std::string& text = "RZ-PX4R7H/F4") {
  ImageRecipe s;
  s.modelText = text;
  return s;
}

TEST(BiosValidation, PlainImageIsValidatedInPlaceAndHandedOver) {
  Validation v;
  v.files.mem.Put("/files/new.rom", BuildImage(Good()));
  EXPECT_EQ(v.Run("/files/new.rom"), bios::ValidationOutcome::HandedOver);
  EXPECT_EQ(v.ui.Lines(), (std::vector<std::string>{
                              "msg: The screen may go *BLANK* during EEPROM flash",
                              "status: Please wait a moment ...DO NOT shut down this computer"}));
  EXPECT_EQ(v.log, (std::vector<std::string>{"sleep 500", "cd /start", "flash /files/new.rom"}));
  ASSERT_NE(v.files.mem.Get(kTemp), nullptr) << "temp.rom is created for every file";
  EXPECT_TRUE(v.files.mem.Get(kTemp)->empty());
  // Pending events run after the warning and before the pause.
  const auto& ev = v.ui.Events();
  ASSERT_GE(ev.size(), 3u);
  EXPECT_EQ(ev[0].kind, ui::EventKind::SkinnedMessage);
  EXPECT_EQ(ev[1].kind, ui::EventKind::ProcessEvents);
  EXPECT_EQ(ev[2].kind, ui::EventKind::SetStatus);
  EXPECT_EQ(v.result, 0);
}

TEST(BiosValidation, PackageIsReducedToTheCardsImage) {
  Validation v;
  ImageRecipe mine = Good();
  mine.block = RzBlockRecipe{.letter = 'F', .number = 6, .cardNumber = 2};
  mine.lengthByte = 0x40;
  ImageRecipe other = mine;
  other.block->cardNumber = 3;
  other.seed = 9;
  const auto image = BuildImage(mine);
  v.files.mem.Put("/files/pack.rom", testimage::BuildPackage({BuildImage(other), image}));
  v.card = CardWithBlock('F', 5);
  EXPECT_EQ(v.Run("/files/pack.rom", 2), bios::ValidationOutcome::HandedOver);
  EXPECT_EQ(v.flashed, std::vector<std::string>{kTemp});
  const auto extracted = v.files.mem.Get(kTemp);
  ASSERT_NE(extracted, nullptr);
  EXPECT_EQ(*extracted, image);
}

struct FailureCase {
  const char* name;
  std::function<void(Validation&)> arrange;
  bios::ValidationOutcome outcome;
  std::string line;  // the one thing the user sees
};

TEST(BiosValidation, EveryFailureShowsItsMessageAndNeverReachesTheFlashStep) {
  const std::string path = "/files/new.rom";
  auto put = [path](ImageRecipe recipe) {
    return [path, recipe](Validation& v) { v.files.mem.Put(path, BuildImage(recipe)); };
  };
  const FailureCase cases[] = {
      {"missing file", [](Validation&) {}, bios::ValidationOutcome::OpenFailed,
       "box \"Error\" ok error: Open rom file fail !!"},
      {"no scratch directory",
       [&](Validation& v) {
         put(Good())(v);
         v.system.scratch.clear();
       },
       bios::ValidationOutcome::ExtractFailed, "box \"Error\" ok error: extract rom file fail !!"},
      {"temp.rom cannot be created",
       [&](Validation& v) {
         put(Good())(v);
         v.files.mem.FailOpenWrite().insert(kTemp);
       },
       bios::ValidationOutcome::ExtractFailed, "box \"Error\" ok error: extract rom file fail !!"},
      {"temp.rom written short",
       [&](Validation& v) {
         ImageRecipe s = Good();
         s.block = RzBlockRecipe{.cardNumber = 0xFF};  // the card's number
         v.files.mem.Put(path, testimage::BuildPackage({BuildImage(s)}));
         v.files.shortWritePath = kTemp;
       },
       bios::ValidationOutcome::ExtractFailed, "box \"Error\" ok error: extract rom file fail !!"},
      {"package without this card's image",
       [&](Validation& v) {
         ImageRecipe s = Good();
         s.block = RzBlockRecipe{.cardNumber = 4};
         v.files.mem.Put(path, testimage::BuildPackage({BuildImage(s), BuildImage(s)}));
       },
       bios::ValidationOutcome::IdMismatch, "msg: The BIOS ID not match!!!"},
      {"other board", put({.subsystemId = 0x34CA, .modelText = "RZ-PX4R7H/F4"}),
       bios::ValidationOutcome::IdMismatch, "msg: The BIOS ID not match!!!"},
      {"same version", put(Good("RZ-PX4R7H/F5")), bios::ValidationOutcome::VersionRefused,
       "msg: The BIOS Version is the same!!!"},
      {"malformed version", put(Good("RZ-PX4R7H/F5x")), bios::ValidationOutcome::VersionRefused,
       "msg: The BIOS Version Error!!!"},
      {"incompatible version", put(Good("RZ-PX4R7H/F12")), bios::ValidationOutcome::VersionRefused,
       "msg: The BIOS Version not match!!!"},
      {"damaged image", put({.modelText = "RZ-PX4R7H/F4", .checksum = false}),
       bios::ValidationOutcome::ChecksumBad,
       "dialog: Checksum error! This file may be damaged!!"},
      {"file cut short of its image although it sums to 0",
       [&](Validation& v) {
         auto image = BuildImage(Good());
         image.resize(0x4000);
         image.back() = 0;
         image.back() = static_cast<std::uint8_t>(0x100 - testimage::Sum8(image, image.size()));
         v.files.mem.Put(path, image);
       },
       bios::ValidationOutcome::ChecksumBad,
       "dialog: Checksum error! This file may be damaged!!"},
      {"file gone before the checksum",
       [&](Validation& v) {
         put(Good())(v);
         v.files.failReadPath = path;
         v.files.failReadAt = 4;  // extraction, id, version, then the checksum
       },
       bios::ValidationOutcome::ChecksumOpenFailed, "dialog: /files/new.rom open fail..."},
  };
  for (const auto& c : cases) {
    Validation v;
    c.arrange(v);
    EXPECT_EQ(v.Run(path), c.outcome) << c.name;
    EXPECT_EQ(v.ui.Lines(), std::vector<std::string>{c.line}) << c.name;
    EXPECT_TRUE(v.flashed.empty()) << c.name;
    EXPECT_TRUE(v.log.empty()) << c.name << ": no pause, no change of folder";
  }
}

TEST(BiosValidation, TempRomLivesInAPrivateDirectoryOfTheRun) {
  SimHarness a(nlohmann::json::object());
  SimHarness b(nlohmann::json::object());
  const std::string pathA = bios::ExtractedImagePath(a.platform->System());
  const std::string pathB = bios::ExtractedImagePath(b.platform->System());
  EXPECT_NE(pathA, pathB) << "not a predictable name";
  const auto dir = std::filesystem::path(pathA).parent_path();
  EXPECT_EQ(std::filesystem::path(pathA).filename(), "temp.rom");
  EXPECT_TRUE(std::filesystem::is_directory(dir));
#ifndef _WIN32
  EXPECT_EQ(std::filesystem::status(dir).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all)
      << "only this user may enter it";
#endif

  // A long scratch path is taken whole.
  std::vector<std::string> log;
  RecordingSystem system(log);
  system.scratch = "/" + std::string(200, 'd') + kPathSeparator;
  EXPECT_EQ(bios::ExtractedImagePath(system), system.scratch + "temp.rom");

  // Validation writes temp.rom there.
  const auto image = BuildImage(Good());
  a.dir.Write("new.rom", std::string(image.begin(), image.end()));
  bios::CardBiosIdentity card = CardWithText("RZ-PX4R7H/F5");
  std::string start = a.dir.Path().string();
  bios::ModelText model;
  bios::VersionCheckResult result = -1;
  bios::ValidationContext ctx{a.platform->Files(), a.platform->System(), a.ui, kIds, kSubsystem,
                              0xFF, card, start, model, result};
  int calls = 0;
  EXPECT_EQ(bios::ValidateBiosFile(ctx, a.dir.File("new.rom"), [&](const std::string&) { ++calls; }),
            bios::ValidationOutcome::HandedOver);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(std::filesystem::exists(pathA));
}

}  // namespace
}  // namespace rz::test
