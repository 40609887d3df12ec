// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated disk and the power cut: what the program did not flush (a file's contents, a
// folder's entries) is gone or back as it was once the power is lost; what it flushed stays; what
// the program never changed is never touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::optional<std::string> Contents(const fs::path& p) {
  if (!fs::is_regular_file(p)) return std::nullopt;
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The program's steps on an emulated file system in the folder `d` (ending in a separator).
struct Steps {
  platform::FileSystem& files;
  std::string d;

  // Makes `name` with `text`; `flush`: its contents reach the disk.
  void Write(const std::string& name, const std::string& text, bool flush) {
    auto f = files.OpenWrite(d + name);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->Write(text.data(), text.size()), text.size());
    if (flush) {
      ASSERT_TRUE(f->Flush());
    }
    ASSERT_TRUE(f->Close());
  }
  void FlushFolder(const std::string& name = "") { ASSERT_TRUE(files.FlushFolder(d + name)); }
};

struct CutCase {
  const char* name;
  std::function<void(const TempDir&)> before;  // what the disk holds before the program runs
  std::function<void(Steps&)> steps;
  // After the cut: each file name with its contents, nullopt where nothing may stand.
  std::vector<std::pair<std::string, std::optional<std::string>>> after;
};

class EmulatedDiskPowerCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(EmulatedDiskPowerCut, LeavesOnlyWhatWasFlushed) {
  const CutCase& c = GetParam();
  SimHarness h(json{{"adapters", json::array()}});
  if (c.before) c.before(h.dir);
  Steps s{h.platform->Files(), h.dir.Folder()};
  c.steps(s);
  h.platform->Files().LosePower();
  for (const auto& [name, want] : c.after)
    EXPECT_EQ(Contents(h.dir.Path() / name), want) << name;
}

const auto kNone = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Cases, EmulatedDiskPowerCut,
    ::testing::Values(
        CutCase{"NewFileNeverFlushedIsGone", nullptr, [](Steps& s) { s.Write("a", "new", false); },
                {{"a", kNone}}},
        CutCase{"FlushedFileInAnUnflushedFolderIsGone", nullptr,
                [](Steps& s) { s.Write("a", "new", true); }, {{"a", kNone}}},
        CutCase{"UnflushedContentsInAFlushedFolderAreEmpty", nullptr,
                [](Steps& s) {
                  s.Write("a", "new", false);
                  s.FlushFolder();
                },
                {{"a", ""}}},
        CutCase{"FileAndFolderFlushedStay", nullptr,
                [](Steps& s) {
                  s.Write("a", "new", true);
                  s.FlushFolder();
                },
                {{"a", "new"}}},
        CutCase{"UnflushedRenameIsUndone",
                [](const TempDir& d) { d.Write("target", "old"); },
                [](Steps& s) {
                  s.Write("temp", "new", true);
                  s.FlushFolder();
                  ASSERT_TRUE(s.files.Rename(s.d + "temp", s.d + "target"));
                },
                {{"target", "old"}, {"temp", "new"}}},
        CutCase{"FlushedRenameStays",
                [](const TempDir& d) { d.Write("target", "old"); },
                [](Steps& s) {
                  s.Write("temp", "new", true);
                  ASSERT_TRUE(s.files.Rename(s.d + "temp", s.d + "target"));
                  s.FlushFolder();
                },
                {{"target", "new"}, {"temp", kNone}}},
        CutCase{"OverwrittenContentsNeverFlushedComeBack",
                [](const TempDir& d) { d.Write("a", "old"); },
                [](Steps& s) { s.Write("a", "newer and longer", false); }, {{"a", "old"}}},
        CutCase{"UnflushedRemovalIsUndone", [](const TempDir& d) { d.Write("a", "old"); },
                [](Steps& s) { ASSERT_TRUE(s.files.Remove(s.d + "a")); }, {{"a", "old"}}},
        CutCase{"FolderMadeAndNeverFlushedGoesWithItsFiles", nullptr,
                [](Steps& s) {
                  ASSERT_TRUE(s.files.CreateFolder(s.d + "sub"));
                  s.Write("sub/a", "new", true);
                  s.FlushFolder("sub");
                },
                {{"sub/a", kNone}}},
        CutCase{"FolderFlushedInItsParentKeepsItsFiles", nullptr,
                [](Steps& s) {
                  ASSERT_TRUE(s.files.CreateFolder(s.d + "sub"));
                  s.Write("sub/a", "new", true);
                  s.FlushFolder("sub");
                  s.FlushFolder();
                },
                {{"sub/a", "new"}}},
        CutCase{"CopyNeverFlushedIsGone", [](const TempDir& d) { d.Write("a", "source"); },
                [](Steps& s) { ASSERT_TRUE(s.files.Copy(s.d + "a", s.d + "b")); },
                {{"a", "source"}, {"b", kNone}}},
        CutCase{"FilesTheProgramNeverChangedStay",
                [](const TempDir& d) { d.Write("kept", "the user's"); },
                [](Steps& s) {
                  s.Write("a", "new", false);
                  // Written beside the program (the emulator keeps its card images so).
                  std::ofstream(fs::path(s.d) / "beside") << "outside";
                },
                {{"kept", "the user's"}, {"beside", "outside"}, {"a", kNone}}}),
    [](const auto& p) { return std::string(p.param.name); });

// Once the machine has lost its power, nothing more reaches the disk: not the file, not the name.
TEST(EmulatedDiskPowerCut, FlushesAfterThePowerWentDoNotCount) {
  SimHarness h(json{{"adapters", json::array()}});
  auto& files = h.platform->Files();
  bool gone = false;
  files.SetPowerGone([&] { return gone; });
  Steps s{files, h.dir.Folder()};
  s.Write("before", "kept", true);
  s.FlushFolder();
  gone = true;
  s.Write("after", "lost", true);
  s.Write("before", "changed", true);
  s.FlushFolder();
  files.LosePower();
  EXPECT_EQ(Contents(h.dir.Path() / "before"), "kept");
  EXPECT_EQ(Contents(h.dir.Path() / "after"), kNone);
}

// A full disk refuses the flushes as it refuses the writes: their failure is what a program sees.
TEST(EmulatedDiskPowerCut, FullDiskFailsFlushesAndCountsThemAsWrites) {
  SimHarness h(json{{"adapters", json::array()}});
  auto& files = h.platform->Files();
  auto f = files.OpenWrite(h.dir.File("a"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Write("ab", 2), 2u);
  const std::uint64_t before = files.WritesSoFar();
  files.Faults().diskFullAtWrite = before;
  EXPECT_FALSE(f->Flush());
  EXPECT_FALSE(files.FlushFolder(h.dir.Folder()));
  EXPECT_EQ(files.WritesSoFar(), before + 2);
  EXPECT_TRUE(f->Close());
}

}  // namespace
}  // namespace rz::test
