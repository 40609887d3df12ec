// SPDX-License-Identifier: GPL-3.0-or-later
// Run folders: a folder whose run is alive is never taken; one whose run ended without removing
// it (its lock file is there and unheld) is cleared by the next run; a folder without a lock file
// is not a run's and is left alone, however old.
#include <gtest/gtest.h>

#include <filesystem>
#include <atomic>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/PrivateFolder.h"
#include "host/RunFolder.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

// A folder named as a run of `prefix` names its folder, with its lock file when `withLock`: what
// a killed run leaves behind.
fs::path MakeLeftover(const fs::path& root, const std::string& prefix, bool withLock) {
  const auto made = platform::MakePrivateFolder(prefix, root.string());
  if (!made) throw std::runtime_error("cannot make a folder in " + root.string());
  const fs::path folder = *made;
  std::ofstream(folder / "card.rom") << "x";
  if (withLock) std::ofstream(folder / platform::kRunFolderLockName) << "";
  return folder;
}

// A folder of the user's of the given name, which holds an unlocked lock file too.
fs::path MakeUsersFolder(const fs::path& root, const std::string& name) {
  const fs::path folder = root / name;
  fs::create_directory(folder);
  std::ofstream(folder / "notes.txt") << "mine";
  std::ofstream(folder / platform::kRunFolderLockName) << "";
  return folder;
}

TEST(RunFolder, ClearsOnlyWhatEndedRunsLeft) {
  TempDir root;
  const std::string r = root.Path().string();
  const platform::RunFolder alive("m-", r);
  ASSERT_FALSE(alive.Path().empty()) << alive.Error();
  EXPECT_TRUE(fs::exists(fs::path(alive.Path()) / platform::kRunFolderLockName));

  const fs::path killed = MakeLeftover(root.Path(), "m-", true);
  const fs::path notARun = MakeLeftover(root.Path(), "m-", false);
  const fs::path otherPrefix = MakeLeftover(root.Path(), "n-", true);
  std::ofstream(root.Path() / "m-a-file") << "mine";

  EXPECT_EQ(platform::RemoveAbandonedRunFolders("m-", r), 1);
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_TRUE(fs::exists(alive.Path()));
  EXPECT_TRUE(fs::exists(notARun));
  EXPECT_TRUE(fs::exists(otherPrefix));
  EXPECT_TRUE(fs::exists(root.Path() / "m-a-file"));
}

TEST(RunFolder, NextRunClearsAKilledOnesFolderAndRemovesItsOwn) {
  TempDir root;
  const std::string r = root.Path().string();
  const fs::path killed = MakeLeftover(root.Path(), "m-sim-", true);
  std::string own;
  {
    // A folder of another kind of the same family goes too.
    const platform::RunFolder next("m-machine-", r, "m-");
    ASSERT_FALSE(next.Path().empty()) << next.Error();
    own = next.Path();
    EXPECT_FALSE(fs::exists(killed));
    // A second run at the same time sees the first one alive.
    const platform::RunFolder second("m-machine-", r, "m-");
    EXPECT_TRUE(fs::exists(own));
  }
  EXPECT_FALSE(fs::exists(own));
  EXPECT_TRUE(fs::is_empty(root.Path()));
}

// Only names a run makes are cleared: a user's folder that begins with the program's prefix,
// and holds a file named like the lock, is left alone whatever follows the prefix.
TEST(RunFolder, UsersFoldersOfSimilarNamesAreNeverTaken) {
  TempDir root;
  const std::string r = root.Path().string();
  const std::vector<fs::path> runs = {MakeLeftover(root.Path(), "rzflash-run-", true),
                                      MakeLeftover(root.Path(), "rzflash-machine-", true),
                                      MakeLeftover(root.Path(), "rzflash-sim-", true)};
  // A random part as the program makes them, to build names around it.
  const std::string random = runs[0].filename().string().substr(std::string("rzflash-run-").size());
  const std::vector<std::string> users = {
      "rzflash-notes",                      // the family alone and a word
      "rzflash-",                           // the family alone
      "rzflash-" + random,                  // the family and a random part, but no kind
      "rzflash-run-",                       // a kind without a random part
      "rzflash-run-" + random + "x",        // a random part one too long
      "rzflash-run-" + random.substr(1),    // one too short
      "rzflash-run-" + random.substr(1) + "-",  // a character no random part has
      "rzflash-old-" + random,              // a kind the program does not make
  };
  std::vector<fs::path> kept;
  for (const std::string& name : users) kept.push_back(MakeUsersFolder(root.Path(), name));
  {
    const platform::RunFolder next("rzflash-run-", r, "rzflash-");
    ASSERT_FALSE(next.Path().empty()) << next.Error();
    for (const fs::path& run : runs) EXPECT_FALSE(fs::exists(run)) << run;
    for (const fs::path& user : kept) {
      EXPECT_TRUE(fs::exists(user / "notes.txt")) << user;
      EXPECT_TRUE(fs::exists(user / platform::kRunFolderLockName)) << user;
    }
  }
}

// Runs that end while another run starts: the starting run clears leftovers, and must never take
// the folder of a run that is still removing its own.
TEST(RunFolder, AnEndingRunIsNeverTakenForAbandoned) {
  TempDir root;
  const std::string r = root.Path().string();
  std::atomic<bool> done{false};
  int taken = 0;
  std::thread clearer([&] {
    while (!done) taken += platform::RemoveAbandonedRunFolders("m-", r);
  });
  int lost = 0;
  for (int run = 0; run < 200; ++run) {
    const platform::RunFolder folder("m-", r);
    ASSERT_FALSE(folder.Path().empty()) << folder.Error();
    const fs::path work = fs::path(folder.Path()) / "temp.rom";
    std::ofstream(work) << "image";
    if (!fs::exists(work)) ++lost;
  }
  done = true;
  clearer.join();
  EXPECT_EQ(taken, 0);
  EXPECT_EQ(lost, 0);
  EXPECT_TRUE(fs::is_empty(root.Path()));
}

}  // namespace
}  // namespace rz::test
