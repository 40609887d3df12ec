// Saving over what the user named, on the host's file system: plain files the user may write are
// replaced whole (through a link: the file it leads to, in its own folder); anything else is left
// exactly as it was, and no temporary file is ever left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/FileReplacement.h"
#include "support/SimHarness.h"

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

struct Target {
  const char* name;
  std::function<std::string(const TempDir&)> make;  // sets the scene, returns the target
  bool replaced;
  std::function<void(const TempDir&)> check;  // what must hold afterwards
};

class SaveTarget : public ::testing::TestWithParam<Target> {};

TEST_P(SaveTarget, ReplacesOnlyPlainWritableFiles) {
  const Target& c = GetParam();
  TempDir dir;
  fs::create_directory(dir.Path() / "other");
  const std::string target = c.make(dir);
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
        Target{"NewFile", [](const TempDir& d) { return d.File("a.rom"); }, true,
               [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "a.rom"), "new"); }},
        Target{"ExistingFile",
               [](const TempDir& d) {
                 d.Write("a.rom", "old contents");
                 return d.File("a.rom");
               },
               true, [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "a.rom"), "new"); }},
        Target{"NameNearTheLimit",
               [](const TempDir& d) { return d.File(std::string(250, 'n') + ".rom"); }, true,
               [](const TempDir& d) {
                 EXPECT_EQ(ReadText(d.Path() / (std::string(250, 'n') + ".rom")), "new");
               }},
        Target{"Folder", [](const TempDir& d) { return d.File("other"); }, false,
               [](const TempDir& d) { EXPECT_TRUE(fs::is_directory(d.Path() / "other")); }},
        Target{"Pipe",
               [](const TempDir& d) {
                 ::mkfifo(d.File("pipe").c_str(), 0600);
                 return d.File("pipe");
               },
               false, [](const TempDir& d) { EXPECT_TRUE(fs::is_fifo(d.Path() / "pipe")); }},
        Target{"ReadOnlyFile",
               [](const TempDir& d) {
                 d.Write("ro.rom", "keep me");
                 fs::permissions(d.Path() / "ro.rom", fs::perms::owner_read);
                 return d.File("ro.rom");
               },
               false, [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "ro.rom"), "keep me"); }},
        Target{"LinkToAFileElsewhere",
               [](const TempDir& d) {
                 d.Write("other/real.rom", "old");
                 fs::create_symlink("other/real.rom", d.Path() / "link.rom");
                 return d.File("link.rom");
               },
               true,
               [](const TempDir& d) {
                 EXPECT_TRUE(fs::is_symlink(d.Path() / "link.rom")) << "the link stays a link";
                 EXPECT_EQ(ReadText(d.Path() / "other/real.rom"), "new");
               }},
        Target{"LinkToAPipe",
               [](const TempDir& d) {
                 ::mkfifo(d.File("other/pipe").c_str(), 0600);
                 fs::create_symlink(d.Path() / "other/pipe", d.Path() / "link");
                 return d.File("link");
               },
               false,
               [](const TempDir& d) {
                 EXPECT_TRUE(fs::is_symlink(d.Path() / "link"));
                 EXPECT_TRUE(fs::is_fifo(d.Path() / "other/pipe"));
               }},
        Target{"DanglingLinkCreatesWhereItLeads",
               [](const TempDir& d) {
                 fs::create_symlink(d.Path() / "other/made.rom", d.Path() / "link.rom");
                 return d.File("link.rom");
               },
               true,
               [](const TempDir& d) { EXPECT_EQ(ReadText(d.Path() / "other/made.rom"), "new"); }},
        Target{"LinkLoop",
               [](const TempDir& d) {
                 fs::create_symlink(d.Path() / "b", d.Path() / "a");
                 fs::create_symlink(d.Path() / "a", d.Path() / "b");
                 return d.File("a");
               },
               false, [](const TempDir& d) { EXPECT_TRUE(fs::is_symlink(d.Path() / "a")); }},
        Target{"EmptyName", [](const TempDir&) { return std::string(); }, false,
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
  ::mkfifo(dir.File("pipe").c_str(), 0600);  // nobody writes to it: opening it may not block
  auto files = platform::MakeHostFileSystem();
  EXPECT_NE(files->OpenRead(dir.File("image.rom")), nullptr);
  for (const std::string& path : {dir.File("folder"), dir.File("pipe"), std::string("/dev/zero"),
                                 dir.File("missing")})
    EXPECT_EQ(files->OpenRead(path), nullptr) << path;
  EXPECT_EQ(files->Kind(dir.File("pipe")), platform::PathKind::Other);
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

}  // namespace
}  // namespace rz::test
