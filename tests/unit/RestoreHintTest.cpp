// Which file a failed flash names: the backup just made when the card's BIOS checked out, else
// the newest backup of the same card that checks out (never one of another card, never a damaged
// one, never a file the program did not name).
#include <gtest/gtest.h>

#include "base/BuildConfig.h"
#include "base/Paths.h"
#include "bios/BiosFileChecks.h"
#include "commands/RestoreHint.h"
#include "commands/SafetyBackup.h"
#include "platform/MemoryFile.h"
#include "testimage/TestImage.h"

namespace rz::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kIds = 0x10DEu | (0x0191u << 16);
constexpr std::uint32_t kSubsystem = kMakerSubsystemVendorId | (0x34C7u << 16);
// Folders as the program writes them, with the system's separator.
const std::string kKeep = std::string("keep") + kPathSeparator;
const std::string kBackups = kKeep + "Backups" + kPathSeparator;

Bytes Image(std::uint16_t subsystemId, std::uint32_t seed) {
  testimage::ImageRecipe r;
  r.lengthByte = 2;
  r.subsystemId = subsystemId;
  r.seed = seed;
  return testimage::BuildImage(r);
}

Bytes Damaged(Bytes image) {
  image[100] ^= 0x5A;  // the sum is no longer 0
  return image;
}

commands::BackupOfCard OfCard(platform::FileSystem& files) {
  return [&files](const std::string& path) {
    return commands::ProgrammedImageOfCard(files, path, kIds, kSubsystem);
  };
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
      {"only damaged ones", {{"PX-20260101-000000.rom", Damaged(good)}}, ""},
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
        {"PX-20260103-000000.rom", Damaged(good)},
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
    const std::string found = commands::NewestGoodBackup(files, kKeep, OfCard(files));
    EXPECT_EQ(found, c.newest.empty() ? "" : kBackups + c.newest) << c.name;
  }
}

TEST(RestoreHint, SaysWhenTheCardWasDamagedBeforeTheFlash) {
  const Bytes good = Image(0x34C7, 1);
  platform::MemoryFileSystem files;
  files.Put(kBackups + "PX-20260101-000000.rom", good);
  files.Put(kBackups + "BIOS-20260102-000000.rom", Damaged(good));
  const std::string older = kBackups + "PX-20260101-000000.rom";
  const std::string damaged = kBackups + "BIOS-20260102-000000.rom";

  EXPECT_EQ(commands::RestoreHint(files, kKeep, older, OfCard(files)),
            "The previous BIOS was saved to " + older + ". Flash that file to restore the card.");
  EXPECT_EQ(commands::RestoreHint(files, kKeep, damaged, OfCard(files)),
            "The card's BIOS was already damaged before this flash; it was saved to " + damaged +
                ". The newest backup of this card that checks out is " + older +
                ". Flash that file to restore the card.");
  files.Remove(older);
  EXPECT_EQ(commands::RestoreHint(files, kKeep, damaged, OfCard(files)),
            "The card's BIOS was already damaged before this flash; it was saved to " + damaged +
                ". No backup of this card checks out: flash a BIOS file made for this card.");
}

// The vendor tool's road reads a card's ids from the chip maker's header, as its image check does.
TEST(RestoreHint, AtiBackupsAreOfTheCardByTheirMakersHeader) {
  testimage::ImageRecipe r;
  r.vendorId = 0x1002;
  r.deviceId = 0x9442;
  r.subsystemId = 0x21B8;
  r.lengthByte = 2;
  r.atom = testimage::AtomRecipe{};
  platform::MemoryFileSystem files;
  files.Put("/a.rom", testimage::BuildImage(r));
  r.atom.reset();
  files.Put("/no-header.rom", testimage::BuildImage(r));
  const std::uint32_t ids = 0x1002u | (0x9442u << 16);
  const std::uint32_t subsystem = kMakerSubsystemVendorId | (0x21B8u << 16);
  EXPECT_TRUE(commands::AtiImageOfCard(files, "/a.rom", ids, subsystem));
  EXPECT_FALSE(commands::AtiImageOfCard(files, "/a.rom", ids, subsystem + (1u << 16)));
  EXPECT_FALSE(commands::AtiImageOfCard(files, "/a.rom", ids ^ 1u, subsystem));
  EXPECT_FALSE(commands::AtiImageOfCard(files, "/no-header.rom", ids, subsystem));
  EXPECT_FALSE(commands::AtiImageOfCard(files, "/missing.rom", ids, subsystem));
}

}  // namespace
}  // namespace rz::test
