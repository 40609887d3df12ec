// SPDX-License-Identifier: GPL-3.0-or-later
// Names in any language on the host's file calls: every call of the file system reaches the file
// by its real name, the program's folders may be made anywhere, and a name that cannot be given
// to the system exactly fails the call and touches no other file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "UnicodeNames.h"
#include "WindowsFiles.h"
#include "base/Paths.h"
#include "commands/SafetyBackup.h"
#include "host/PathLock.h"
#include "host/PrivateFolder.h"
#include "host/RunFolder.h"
#include "platform/HostPlatform.h"

namespace rz::test {
namespace {

using platform::PathKind;
using Names = std::vector<std::string>;
using namespace winfiles;

std::string ReadAll(platform::File& file) {
  std::string text(64, '\0');
  text.resize(file.Read(text.data(), text.size()));
  return text;
}

class UnicodeFiles : public ::testing::TestWithParam<UnicodeName> {
 protected:
  platform::PrivateFolder dir{"rz-names-"};
  std::unique_ptr<platform::FileSystem> files = platform::MakeHostFileSystem();
};

TEST_P(UnicodeFiles, EveryCallReachesTheFileByItsRealName) {
  const UnicodeName& n = GetParam();
  const std::string folder = dir.File(n.stem);
  ASSERT_TRUE(files->CreateFolder(folder));
  EXPECT_EQ(ListingWide(dir.Path()), Names{n.stem});
  EXPECT_EQ(files->Kind(folder), PathKind::Folder);

  const std::string path = folder + "\\" + n.File();
  auto out = files->OpenWrite(path);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Write("bytes", 5), 5u);
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(ListingWide(folder), Names{n.File()});
  EXPECT_EQ(ReadWide(path), "bytes");
  EXPECT_EQ(files->Kind(path), PathKind::File);
  EXPECT_EQ(files->Size(path), 5);
  EXPECT_TRUE(files->CanWrite(path));
  EXPECT_EQ(files->FinalTarget(path), path);
  EXPECT_EQ(files->FileNames(folder), Names{n.File()});
  EXPECT_EQ(files->CreateNew(path), nullptr) << "it is there";
  {
    const auto in = files->OpenRead(path);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(ReadAll(*in), "bytes");
  }

  const std::string copy = folder + "\\copy-" + n.File();
  const std::string moved = folder + "\\" + n.stem + "-moved.rom";
  EXPECT_TRUE(files->Copy(path, copy));
  EXPECT_TRUE(files->Rename(copy, moved));
  std::string unique;
  const auto made = files->CreateUnique(folder + "\\", n.stem + "-", unique);
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->Close());
  EXPECT_EQ(FolderOf(unique), folder + "\\");
  Names expected{FileNameOf(unique), n.stem + "-moved.rom", n.File()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ListingWide(folder), expected);
  EXPECT_EQ(ReadWide(moved), "bytes");

  for (const std::string& f : {path, moved, unique}) EXPECT_TRUE(files->Remove(f)) << f;
  EXPECT_TRUE(files->Remove(folder));
  EXPECT_EQ(ListingWide(dir.Path()), Names{});
}

// The program's private and run folders under a temporary folder of that name (a user's own
// temporary folder bears the user's name), and the lock on an image file there.
TEST_P(UnicodeFiles, RunFoldersAndLocksLiveUnderAFolderOfThatName) {
  const UnicodeName& n = GetParam();
  const std::string temp = dir.File(n.stem);
  ASSERT_TRUE(MakeFolderWide(temp));
  ScopedEnvironment tmp("TMP", temp);
  ScopedEnvironment alsoTemp("TEMP", temp);
  EXPECT_EQ(platform::TemporaryRoot(), temp + "\\");
  std::string runPath;
  {
    platform::RunFolder run(platform::RunFolderKind::Machine);
    runPath = run.Path();
    ASSERT_FALSE(runPath.empty()) << run.Error();
    EXPECT_EQ(FolderOf(runPath), temp + "\\");
    ASSERT_TRUE(WriteWide(runPath + "\\" + n.File(), "image"));
    platform::PathLock lock(runPath + "\\" + n.File());
    EXPECT_TRUE(lock.Held()) << lock.Error();
    platform::PathLock again(runPath + "\\" + n.File());
    EXPECT_EQ(again.GetState(), platform::PathLock::State::HeldElsewhere);
  }
  EXPECT_EQ(ListingWide(temp), Names{}) << "the run folder went with its content";
}

INSTANTIATE_TEST_SUITE_P(Names, UnicodeFiles,
                         ::testing::Values(kCyrillicName, kChineseName, kAccentedName),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(UnicodeLock, OneLockForEveryCaseOfTheSameName) {
  platform::PrivateFolder dir("rz-lock-");
  platform::PathLock lower(dir.File("видеокарта.rom"));
  ASSERT_TRUE(lower.Held());
  platform::PathLock upper(dir.File("ВИДЕОКАРТА.ROM"));
  EXPECT_EQ(upper.GetState(), platform::PathLock::State::HeldElsewhere);
  platform::PathLock other(dir.File("видеокарты.rom"));
  EXPECT_TRUE(other.Held());
}

// A path that is not UTF-8 (here a Latin-1 byte) or that holds a zero character is never given to
// the system in another form: each call fails, says why, and every file stays as it was.
TEST(UnicodeFiles, APathThatCannotBeConvertedTouchesNoOtherFile) {
  platform::PrivateFolder dir("rz-names-");
  const auto files = platform::MakeHostFileSystem();
  ASSERT_TRUE(WriteWide(dir.File("café.rom"), "accented"));
  ASSERT_TRUE(WriteWide(dir.File("caf.rom"), "plain"));
  const Names before = ListingWide(dir.Path());
  const std::string existing = dir.File("caf.rom");
  struct Case {
    std::string path;
    DWORD error;
  } cases[] = {{dir.File("caf\xE9.rom"), ERROR_NO_UNICODE_TRANSLATION},
               {dir.File(std::string("caf.rom\0.txt", 12)), ERROR_INVALID_NAME}};
  for (const Case& c : cases) {
    EXPECT_EQ(files->OpenWrite(c.path), nullptr);
    EXPECT_EQ(::GetLastError(), c.error);
    EXPECT_EQ(files->CreateNew(c.path), nullptr);
    EXPECT_EQ(files->OpenRead(c.path), nullptr);
    EXPECT_FALSE(files->Remove(c.path));
    EXPECT_EQ(::GetLastError(), c.error);
    EXPECT_FALSE(files->Rename(existing, c.path));
    EXPECT_FALSE(files->Rename(c.path, dir.File("new.rom")));
    EXPECT_FALSE(files->Copy(existing, c.path));
    EXPECT_FALSE(files->CreateFolder(c.path));
    EXPECT_FALSE(files->CanWrite(c.path));
    EXPECT_EQ(files->Size(c.path), -1);
    EXPECT_NE(files->Kind(c.path), PathKind::File);
  }
  EXPECT_EQ(ListingWide(dir.Path()), before);
  EXPECT_EQ(ReadWide(dir.File("café.rom")), "accented");
  EXPECT_EQ(ReadWide(dir.File("caf.rom")), "plain");
}

// A safety backup is named after the card's model name, which a damaged card may give as any
// bytes: what is not UTF-8 becomes "_", so that the backup can always be made; names in any
// language stay as they are.
TEST(UnicodeBackupName, BytesThatAreNotUtf8BecomeUnderscoresAndTheBackupCanBeMade) {
  platform::PrivateFolder dir("rz-backup-names-");
  const auto files = platform::MakeHostFileSystem();
  const struct {
    std::string model;
    std::string stem;
  } cases[] = {{"PX4R7\xE9.F4", "PX4R7_.F4"},
               {"\xC0\xAF.F4", "__.F4"},
               {"PX\xE6\x98.F4", "PX__.F4"},
               {"\xED\xA0\x80\xF4\x90", "_____"},
               {kCyrillicName.stem + ".F4", kCyrillicName.stem + ".F4"},
               {kChineseName.stem + "\xFF", kChineseName.stem + "_"}};
  for (const auto& c : cases) {
    EXPECT_EQ(commands::BackupNameStem(c.model), c.stem);
    const auto made = files->CreateNew(dir.File(commands::BackupNameStem(c.model) + ".rom"));
    ASSERT_NE(made, nullptr) << c.stem;
    EXPECT_TRUE(made->Close());
  }
  EXPECT_EQ(ListingWide(dir.Path()).size(), std::size(cases));
}

// NTFS allows a name with an unpaired surrogate; no UTF-8 text can name it, so a listing leaves
// it out rather than give a name that would lead elsewhere.
TEST(UnicodeFiles, AListingLeavesOutNamesThatUtf8CannotCarry) {
  platform::PrivateFolder dir("rz-names-");
  ASSERT_TRUE(WriteWide(dir.File("café.rom"), "accented"));
  const std::wstring lone = SystemWide(dir.Path()) + L"\\a\xD800.rom";
  const HANDLE h = ::CreateFileW(lone.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this file system refuses such names";
  ::CloseHandle(h);
  EXPECT_EQ(platform::MakeHostFileSystem()->FileNames(dir.Path()), Names{"café.rom"});
  ::DeleteFileW(lone.c_str());
}

}  // namespace
}  // namespace rz::test
