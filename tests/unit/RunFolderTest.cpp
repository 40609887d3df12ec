// Run folders: a folder whose run is alive is never taken; one whose run ended without removing
// it (its lock file is there and unheld) is cleared by the next run; a folder without a lock file
// is not a run's and is left alone, however old.
#include <gtest/gtest.h>

#include <filesystem>
#include <atomic>
#include <fstream>
#include <thread>

#include "platform/RunFolder.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

fs::path MakeLeftover(const fs::path& root, const std::string& name, bool withLock) {
  const fs::path folder = root / name;
  fs::create_directory(folder);
  std::ofstream(folder / "card.rom") << "x";
  if (withLock) std::ofstream(folder / platform::kRunFolderLockName) << "";
  return folder;
}

TEST(RunFolder, ClearsOnlyWhatEndedRunsLeft) {
  TempDir root;
  const std::string r = root.Path().string();
  const platform::RunFolder alive("m-", r);
  ASSERT_FALSE(alive.Path().empty()) << alive.Error();
  EXPECT_TRUE(fs::exists(fs::path(alive.Path()) / platform::kRunFolderLockName));

  const fs::path killed = MakeLeftover(root.Path(), "m-killed", true);
  const fs::path notARun = MakeLeftover(root.Path(), "m-users", false);
  const fs::path otherPrefix = MakeLeftover(root.Path(), "n-killed", true);
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
  const fs::path killed = MakeLeftover(root.Path(), "m-sim-killed", true);
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
