// SPDX-License-Identifier: GPL-3.0-or-later
// The run's private folders: only this user may enter them, each is new, and they go with their
// content; a temporary folder that does not exist is an error that says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/PrivateFolder.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

TEST(PrivateFolder, IsNewPrivateAndRemovedWithItsContent) {
  TempDir root;
  std::string first;
  {
    const platform::PrivateFolder a("run-", root.Path().string());
    const platform::PrivateFolder b("run-", root.Path().string());
    ASSERT_FALSE(a.Path().empty()) << a.Error();
    ASSERT_FALSE(b.Path().empty()) << b.Error();
    EXPECT_NE(a.Path(), b.Path());
    EXPECT_EQ(fs::path(a.Path()).parent_path(), root.Path());
#ifndef _WIN32
    EXPECT_EQ(fs::status(a.Path()).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
    std::ofstream(a.File("inside.rom")) << "x";
    first = a.Path();
  }
  EXPECT_FALSE(fs::exists(first));
  EXPECT_TRUE(fs::is_empty(root.Path()));
}

TEST(PrivateFolder, AMissingRootIsReported) {
  TempDir root;
  const platform::PrivateFolder f("run-", (root.Path() / "missing").string());
  EXPECT_TRUE(f.Path().empty());
  EXPECT_NE(f.Error().find("missing"), std::string::npos) << f.Error();
}

}  // namespace
}  // namespace rz::test
