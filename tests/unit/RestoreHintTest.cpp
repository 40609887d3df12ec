// SPDX-License-Identifier: GPL-3.0-or-later
// The backup a failed flash of a damaged card names: the newest of the same card that checks out
// (never one of another card, never a damaged one, never a file the program did not name).
#include <gtest/gtest.h>

#include "base/BuildConfig.h"
#include "base/Paths.h"
#include "bios/BiosFileChecks.h"
#include "commands/RestoreHint.h"
#include "platform/files/MemoryFile.h"
#include "sim/images/TestImage.h"

namespace rz::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kIds = 0x10DEu | (0x0191u << 16);
constexpr std::uint32_t kSubsystem = kMakerSubsystemVendorId | (0x34C7u << 16);
// Folders as the program writes them, with the system's separator.
const std::string kKeep = std::string("keep") + kPathSeparator;
const std::string kBackups = kKeep + "Backups" + kPathSeparator;

Bytes Image(std::uint16_t subsystemId, std::uint32_t seed, bool damaged = false) {
  testimage::ImageRecipe r;
  r.lengthByte = 2;
  r.subsystemId = subsystemId;
  r.seed = seed;
  Bytes b = testimage::BuildImage(r);
  if (damaged) b[100] ^= 0x5A;  // the sum is no longer 0
  return b;
}

struct SearchCase {
  const char* name;
  std::vector<std::pair<std::string, Bytes>> backups;  // name in Backups, contents
  std::string newest;                                  // empty: none
};

TEST(RestoreHint, NamesTheNewestBackupOfThisCardThatChecksOut) {
  const Bytes good = Image(0x34C7, 1);
  const SearchCase cases[] = {
      {"none at all", {}, ""},
      {"only damaged ones", {{"PX-20260101-000000.rom", Image(0x34C7, 1, true)}}, ""},
      {"the newest good one",
       {{"PX-20260101-000000.rom", good},
        {"PX-20260102-000000.rom", Image(0x34C7, 2)},
        {"PX-20260101-120000.rom", good}},
       "PX-20260102-000000.rom"},
      {"a later number in the same second",
       {{"PX-20260101-000000.rom", good}, {"BIOS-20260101-000000-2.rom", good}},
       "BIOS-20260101-000000-2.rom"},
      {"newer ones that are damaged, of another card, or not the program's",
       {{"PX-20260101-000000.rom", good},
        {"PX-20260103-000000.rom", Image(0x34C7, 1, true)},
        {"PX-20260104-000000.rom", Image(0x34CA, 3)},
        {"PX-20260105-000000.bin", good},
        {"my copy.rom", good},
        {".rz00000001.tmp", good}},
       "PX-20260101-000000.rom"},
      {"a backup cut short of its image",
       {{"PX-20260101-000000.rom", good},
        {"PX-20260102-000000.rom", Bytes(good.begin(), good.begin() + 600)}},
       "PX-20260101-000000.rom"},
  };
  for (const SearchCase& c : cases) {
    platform::MemoryFileSystem files;
    files.Put("/elsewhere/PX-20270101-000000.rom", good);  // not in the backup folder
    for (const auto& [name, bytes] : c.backups) files.Put(kBackups + name, bytes);
    const std::string found =
        commands::NewestGoodBackup(files, kKeep, [&](const std::string& path) {
          return commands::ProgrammedImageOfCard(files, path, kIds, kSubsystem);
        });
    EXPECT_EQ(found, c.newest.empty() ? "" : kBackups + c.newest) << c.name;
  }
}

}  // namespace
}  // namespace rz::test
