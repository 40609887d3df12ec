// SPDX-License-Identifier: GPL-3.0-or-later
// Saving over what the user named, on the host's file system: plain files the user may write are
// replaced whole (through a link: the file it leads to, in its own folder); anything else is left
// exactly as it was, and no temporary file is ever left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "platform/files/FileReplacement.h"
#include "support/SimHarness.h"
#include "support/SpecialFiles.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names in the folder that look like temporary files.
int Leftovers(const fs::path& dir) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.path().filename().string().rfind(platform::kReplacementPrefix, 0) == 0) ++n;
  return n;
}

using Made = std::optional<std::string>;

// A file name as long as the system lets a name in `d` be: 254 characters where names are
// limited (POSIX), or up to the 259 characters a whole path may have (Windows).
std::string NearLimitName(const TempDir& d) {
#ifdef _WIN32
  const std::size_t length = 259 - d.Folder().size();
#else
  (void)d;
  const std::size_t length = 254;
#endif
  return std::string(length - 4, 'n') + ".rom";
}

struct Target {
  const char* name;
  // Sets the scene and returns the target; nullopt where this system cannot make the scene.
  std::function<std::optional<std::string>(const TempDir&)> make;
  bool replaced;
  std::function<void(const TempDir&)> check;  // what must hold afterwards
};

class SaveTarget : public ::testing::TestWithParam<Target> {};

TEST_P(SaveTarget, ReplacesOnlyPlainWritableFiles) {
  const Target& c = GetParam();
  TempDir dir;
  fs::create_directory(dir.Path() / "other");
  const auto made = c.make(dir);
  if (!made) GTEST_SKIP() << "this system cannot make the scene (named pipes or links)";
  const std::string target = *made;
  auto files = platform::MakeHostFileSystem();
  {
    platform::FileReplacement out(*files, target);
    ASSERT_EQ(out.Out() != nullptr, c.replaced);
    if (out.Out()) {
      ASSERT_EQ(out.Out()->Write("new", 3), 3u);
      EXPECT_TRUE(out.Commit());
    }
  }
  c.check(dir);
  EXPECT_EQ(Leftovers(dir.Path()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveTarget,
    ::testing::Values(
        Target{"NewFile", [](const TempDir& d) -> Made { return d.File("a.rom"); }, true,
               [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "a.rom"), "new"); }},
        Target{"ExistingFile",
               [](const TempDir& d) -> Made {
                 d.Write("a.rom", "old contents");
                 return d.File("a.rom");
               },
               true, [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "a.rom"), "new"); }},
        Target{"NameNearTheLimit",
               [](const TempDir& d) -> Made { return d.File(NearLimitName(d)); }, true,
               [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / NearLimitName(d)), "new"); }},
        Target{"Folder", [](const TempDir& d) -> Made { return d.File("other"); }, false,
               [](const TempDir& d) { EXPECT_TRUE(fs::is_directory(d.Path() / "other")); }},
        Target{"Pipe",
               [](const TempDir& d) -> Made {
                 if (!MakeNamedPipe(d.File("pipe"))) return std::nullopt;
                 return d.File("pipe");
               },
               false, [](const TempDir& d) { EXPECT_TRUE(fs::is_fifo(d.Path() / "pipe")); }},
        Target{"ReadOnlyFile",
               [](const TempDir& d) -> Made {
                 d.Write("ro.rom", "keep me");
                 fs::permissions(d.Path() / "ro.rom", fs::perms::owner_read);
                 return d.File("ro.rom");
               },
               false, [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "ro.rom"), "keep me"); }},
        Target{"LinkToAFileElsewhere",
               [](const TempDir& d) -> Made {
                 d.Write("other/real.rom", "old");
                 if (!MakeLink(fs::path("other") / "real.rom", d.Path() / "link.rom"))
                   return std::nullopt;
                 return d.File("link.rom");
               },
               true,
               [](const TempDir& d) {
                 EXPECT_TRUE(fs::is_symlink(d.Path() / "link.rom")) << "the link stays a link";
                 EXPECT_EQ(ReadText(d.Path() / "other/real.rom"), "new");
               }},
        Target{"LinkToAPipe",
               [](const TempDir& d) -> Made {
                 if (!MakeNamedPipe(d.File("other/pipe")) ||
                     !MakeLink(d.Path() / "other/pipe", d.Path() / "link"))
                   return std::nullopt;
                 return d.File("link");
               },
               false,
               [](const TempDir& d) {
                 EXPECT_TRUE(fs::is_symlink(d.Path() / "link"));
                 EXPECT_TRUE(fs::is_fifo(d.Path() / "other/pipe"));
               }},
        Target{"DanglingLinkCreatesWhereItLeads",
               [](const TempDir& d) -> Made {
                 if (!MakeLink(d.Path() / "other/made.rom", d.Path() / "link.rom"))
                   return std::nullopt;
                 return d.File("link.rom");
               },
               true,
               [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "other/made.rom"), "new"); }},
        Target{"LinkLoop",
               [](const TempDir& d) -> Made {
                 if (!MakeLink(d.Path() / "b", d.Path() / "a") ||
                     !MakeLink(d.Path() / "a", d.Path() / "b"))
                   return std::nullopt;
                 return d.File("a");
               },
               false, [](const TempDir& d) { EXPECT_TRUE(fs::is_symlink(d.Path() / "a")); }},
        Target{"EmptyName", [](const TempDir&) -> Made { return std::string(); }, false,
               [](const TempDir&) {}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(FileReplacement, UncommittedOrFailedReplacementLeavesTheTargetAlone) {
  TempDir dir;
  dir.Write("a.rom", "old");
  auto files = platform::MakeHostFileSystem();
  {
    platform::FileReplacement out(*files, dir.File("a.rom"));
    ASSERT_NE(out.Out(), nullptr);
    out.Out()->Write("half", 4);
  }  // never committed: a write that went wrong
  EXPECT_EQ(ReadText(dir.Path() / "a.rom"), "old");
  EXPECT_EQ(Leftovers(dir.Path()), 0);
}

TEST(HostFileSystem, OpenReadTakesOnlyRegularFilesAndNeverWaits) {
  TempDir dir;
  dir.Write("image.rom", "bytes");
  fs::create_directory(dir.Path() / "folder");
  auto files = platform::MakeHostFileSystem();
  EXPECT_NE(files->OpenRead(dir.File("image.rom")), nullptr);
  std::vector<std::string> refused{dir.File("folder"), dir.File("missing")};
  if (MakeNamedPipe(dir.File("pipe"))) {  // nobody writes to it: opening it may not block
    refused.push_back(dir.File("pipe"));
    EXPECT_EQ(files->Kind(dir.File("pipe")), platform::PathKind::Other);
  }
  if (*kEndlessDevice) refused.push_back(kEndlessDevice);
  for (const std::string& path : refused) EXPECT_EQ(files->OpenRead(path), nullptr) << path;
  EXPECT_EQ(files->Kind(dir.File("folder")), platform::PathKind::Folder);
  EXPECT_EQ(files->Kind(dir.File("missing")), platform::PathKind::Missing);
}

// Exclusive creation is what keeps a temporary name from ever truncating a file that is there.
TEST(HostFileSystem, CreateNewNeverTruncatesAnExistingFile) {
  TempDir dir;
  dir.Write("taken.rom", "the user's backup");
  auto files = platform::MakeHostFileSystem();
  EXPECT_EQ(files->CreateNew(dir.File("taken.rom")), nullptr);
  EXPECT_EQ(ReadText(dir.Path() / "taken.rom"), "the user's backup");
  auto made = files->CreateNew(dir.File("new.rom"));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Write("abc", 3), 3u);
  EXPECT_TRUE(made->Close());
  EXPECT_EQ(ReadText(dir.Path() / "new.rom"), "abc");
}

// A save that says it succeeded keeps its contents through a power cut that follows; one whose
// flush failed (a full disk) says so, and the power cut leaves the old contents.
TEST(FileReplacement, CommittedContentsSurviveAPowerCut) {
  struct Case {
    const char* name;
    std::optional<std::uint64_t> fullAt;  // counted from the write of the contents
    bool committed;
    const char* after;
  };
  for (const Case& c : {Case{"no fault", std::nullopt, true, "new"},
                        Case{"the contents cannot be flushed", 1, false, "old"},
                        Case{"the folder cannot be flushed", 2, false, "old"}}) {
    SimHarness h(nlohmann::json{{"adapters", nlohmann::json::array()}});
    h.dir.Write("a.rom", "old");
    auto& files = h.platform->Files();
    bool committed = false;
    {
      platform::FileReplacement out(files, h.dir.File("a.rom"));
      ASSERT_NE(out.Out(), nullptr) << c.name;
      if (c.fullAt) files.Faults().diskFullAtWrite = files.WritesSoFar() + *c.fullAt;
      ASSERT_EQ(out.Out()->Write("new", 3), 3u) << c.name;
      committed = out.Commit();
    }
    EXPECT_EQ(committed, c.committed) << c.name;
    files.LosePower();
    EXPECT_EQ(ReadText(h.dir.Path() / "a.rom"), c.after) << c.name;
    EXPECT_EQ(Leftovers(h.dir.Path()), 0) << c.name;
  }
}

// The calls a backup's durability rests on, on the host's own file system.
TEST(HostFileSystem, FlushesFilesAndFoldersAndListsPlainFiles) {
  TempDir dir;
  dir.Write("b.rom", "b");
  fs::create_directory(dir.Path() / "sub");
  auto files = platform::MakeHostFileSystem();
  auto f = files->CreateNew(dir.File("a.rom"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Write("abc", 3), 3u);
  EXPECT_TRUE(f->Flush());
  EXPECT_EQ(ReadText(dir.Path() / "a.rom"), "abc") << "flushed means written, before the close";
  EXPECT_TRUE(f->Close());
  EXPECT_FALSE(f->Flush()) << "a closed file flushes nothing";
  EXPECT_TRUE(files->FlushFolder(dir.Folder()));
  EXPECT_TRUE(files->FlushFolder(dir.File("sub")));
  EXPECT_FALSE(files->FlushFolder(dir.File("missing")));
  EXPECT_FALSE(files->FlushFolder(dir.File("b.rom"))) << "a file is no folder";
  auto names = files->FileNames(dir.Folder());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.rom", "b.rom"})) << "folders are not listed";
  EXPECT_EQ(files->FileNames(dir.File("sub")), std::vector<std::string>{});
  EXPECT_EQ(files->FileNames(dir.File("missing")), std::vector<std::string>{});
}

}  // namespace
}  // namespace rz::test
