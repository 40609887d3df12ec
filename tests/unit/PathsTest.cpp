// SPDX-License-Identifier: GPL-3.0-or-later
// The folder and file name of a path, split on the separators the system takes.
#include <gtest/gtest.h>

#include "base/Paths.h"

namespace rz::test {
namespace {

TEST(Paths, FolderAndFileName) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  } cases[] = {
      {"a/b/c.rom", "a/b/", "c.rom"},
      {"c.rom", "", "c.rom"},
      {"a/", "a/", ""},
#ifdef _WIN32
      {"C:\\tools\\RZFLASH.exe", "C:\\tools\\", "RZFLASH.exe"},
      {"C:\\tools/backups\\x.rom", "C:\\tools/backups\\", "x.rom"},
      {"C:/Users/me/x.rom", "C:/Users/me/", "x.rom"},  // a user may write "/" on Windows
#else
      {"/a\\b.rom", "/", "a\\b.rom"},  // a backslash is part of a name here
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
  }
}

}  // namespace
}  // namespace rz::test
