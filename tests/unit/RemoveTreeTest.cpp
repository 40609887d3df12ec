// SPDX-License-Identifier: GPL-3.0-or-later
// Removing a folder tree: all of it goes, a link goes without what it leads to, and two removers of
// the same tree at the same time both finish and agree that it is gone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "host/RemoveTree.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

// A tree of `folders` folders of `files` files each, one of them read-only, and an empty folder.
fs::path MakeTree(const fs::path& at, int folders, int files) {
  fs::create_directories(at / "empty");
  for (int d = 0; d < folders; ++d) {
    const fs::path folder = at / ("d" + std::to_string(d)) / "inner";
    fs::create_directories(folder);
    for (int f = 0; f < files; ++f) std::ofstream(folder / ("f" + std::to_string(f))) << f;
  }
  const fs::path readOnly = at / "read-only.rom";
  std::ofstream(readOnly) << "x";
  fs::permissions(readOnly, fs::perms::owner_read, fs::perm_options::replace);
  return at;
}

TEST(RemoveTree, RemovesWhateverIsAtThePath) {
  TempDir root;
  const fs::path tree = MakeTree(root.Path() / "tree", 3, 4);
  std::ofstream(root.Path() / "file") << "x";
  for (const fs::path& p : {tree, root.Path() / "file", root.Path() / "never-was"}) {
    SCOPED_TRACE(p.string());
    EXPECT_TRUE(platform::RemoveTree(p.string()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(p)));
  }
  EXPECT_FALSE(platform::RemoveTree(""));
  EXPECT_TRUE(fs::is_empty(root.Path()));
}

TEST(RemoveTree, EmptiesAFolderButForOneEntry) {
  TempDir root;
  const fs::path tree = MakeTree(root.Path() / "tree", 2, 2);
  std::ofstream(tree / ".in-use") << "";
  EXPECT_TRUE(platform::EmptyFolderExcept(tree.string(), ".in-use"));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(tree)) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{".in-use"});
}

TEST(RemoveTree, RemovesALinkAndNotWhereItLeads) {
  TempDir root;
  const fs::path outside = root.Path() / "outside";
  fs::create_directory(outside);
  std::ofstream(outside / "keep.rom") << "x";
  const fs::path tree = root.Path() / "tree";
  fs::create_directory(tree);
  std::error_code ec;
  fs::create_directory_symlink(outside, tree / "link", ec);
  if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
  EXPECT_TRUE(platform::RemoveTree(tree.string()));
  EXPECT_FALSE(fs::exists(tree));
  EXPECT_TRUE(fs::exists(outside / "keep.rom"));
}

// Two runs may clear the same abandoned folder at once: each sees entries vanish under it.
TEST(RemoveTree, TwoRemoversOfOneTreeBothFinish) {
  TempDir root;
  for (int round = 0; round < 10; ++round) {
    const fs::path tree = MakeTree(root.Path() / "tree", 8, 16);
    bool first = false, second = false;
    std::thread other([&] { second = platform::RemoveTree(tree.string()); });
    first = platform::RemoveTree(tree.string());
    other.join();
    EXPECT_TRUE(first) << "round " << round;
    EXPECT_TRUE(second) << "round " << round;
    ASSERT_FALSE(fs::exists(tree)) << "round " << round;
  }
}

}  // namespace
}  // namespace rz::test
