// SPDX-License-Identifier: GPL-3.0-or-later
// Saving over a file on Windows' own file calls when a write fails on the way: the old file stays
// whole and no temporary file stays.
#include <gtest/gtest.h>

#include <ostream>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "WindowsFiles.h"
#include "commands/VendorTool.h"
#include "host/PrivateFolder.h"
#include "host/windows/OwnedHandles.h"
#include "platform/HostPlatform.h"
#include "platform/files/FileReplacement.h"
#include "platform/files/MemoryFile.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

using namespace winfiles;

// A file of the replacement whose writes stop reaching the disk after `limit` bytes (a full
// disk), or whose closing fails (the last block could not be written).
class FailingFile final : public platform::File {
 public:
  FailingFile(std::unique_ptr<platform::File> inner, std::size_t limit, bool failClose)
      : inner_(std::move(inner)), left_(limit), failClose_(failClose) {}
  std::size_t Read(void* b, std::size_t n) override { return inner_->Read(b, n); }
  std::size_t Write(const void* b, std::size_t n) override {
    const std::size_t put = inner_->Write(b, std::min(n, left_));
    left_ -= put;
    return put;
  }
  bool Seek(std::int64_t o, platform::SeekOrigin w) override { return inner_->Seek(o, w); }
  std::int64_t Tell() override { return inner_->Tell(); }
  bool Flush() override { return inner_->Flush(); }
  bool Close() override { return inner_->Close() && !failClose_; }

 private:
  std::unique_ptr<platform::File> inner_;
  std::size_t left_;
  bool failClose_;
};

class FailingWrites final : public platform::ForwardingFileSystem {
 public:
  FailingWrites(platform::FileSystem& inner, std::size_t limit, bool failClose)
      : ForwardingFileSystem(inner), limit_(limit), failClose_(failClose) {}
  std::unique_ptr<platform::File> CreateUnique(const std::string& folder, const std::string& prefix,
                                               std::string& path) override {
    auto f = Inner().CreateUnique(folder, prefix, path);
    if (!f) return nullptr;
    return std::make_unique<FailingFile>(std::move(f), limit_, failClose_);
  }

 private:
  std::size_t limit_;
  bool failClose_;
};

struct FailureCase {
  const char* name;
  std::size_t limit;
  bool failClose;
};

// Test names show the case by its name.
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class SaveUnderFailure : public ::testing::TestWithParam<FailureCase> {};

// The vendor tool's save over an existing backup, through the real launcher and file calls, with
// the replacement's file failing: the old backup stays whole and no temporary file stays.
TEST_P(SaveUnderFailure, KeepsTheOldFileWholeAndLeavesNoTemporaryFile) {
  const FailureCase& c = GetParam();
  platform::PrivateFolder program("rz-program-");
  platform::PrivateFolder saves("rz-saves-");
  platform::PrivateFolder cardDir("rz-card-");
  ASSERT_TRUE(::CreateDirectoryA(program.File("tool").c_str(), nullptr));
  ASSERT_TRUE(::CopyFileA(VendorToolStandinPath().c_str(),
                          (program.File("tool") + "\\ATIWinflash.exe").c_str(), TRUE));
  WriteText(cardDir.File("card.rom"), std::string(300000, '\x77'));
  ScopedEnvironment card("RZ_STANDIN_IMAGE", cardDir.File("card.rom"));
  const std::string target = saves.File("backup.rom");
  WriteText(target, "the old backup");

  const auto host = platform::MakeHostPlatform();
  FailingWrites failing(host->Seams().files, c.limit, c.failClose);
  platform::Platform seams = host->Seams();
  platform::Platform withFailingFiles{seams.device,   seams.services, seams.system, failing,
                                      seams.launcher, seams.registry, seams.shutdown, seams.shell};
  ui::ScriptedUi ui;
  commands::VendorToolFields fields;
  fields.atiToolPath = commands::AtiToolPathFor(program.Path() + "\\");
  commands::VendorToolContext ctx{withFailingFiles, ui, fields, 0x21B8};
  EXPECT_FALSE(commands::RunAtiSave(ctx, target));
  EXPECT_EQ(ReadText(target), "the old backup");
  EXPECT_EQ(Leftovers(saves.Path()), 0);
  EXPECT_EQ(ui.Messages().back(), commands::kSaveFailedText);
}

INSTANTIATE_TEST_SUITE_P(Failures, SaveUnderFailure,
                         ::testing::Values(FailureCase{"NothingWritten", 0, false},
                                           FailureCase{"ShortWrite", 100000, false},
                                           FailureCase{"FailedClose", 1000000, true}),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace rz::test
