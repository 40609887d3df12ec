// SPDX-License-Identifier: GPL-3.0-or-later
// Copies of a card's BIOS the program keeps: read until two reads agree, the erased tail left out
// of a restore's programming, and the checksum line sha256sum checks.
#include <gtest/gtest.h>

#include <vector>

#include "commands/BackupChecksum.h"
#include "commands/CompletedFlashMessage.h"
#include "commands/FlashCommand.h"
#include "commands/VendorTool.h"
#include "eeprom/ChipRestore.h"
#include "eeprom/StableRead.h"

namespace rz {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Reads that return the given copies in turn (an empty one stands for a read that failed).
struct ScriptedReads {
  std::vector<Bytes> copies;
  int made = 0;
  bool operator()(int n, Bytes& out) {
    EXPECT_EQ(n, made);
    const Bytes& next = copies.at(static_cast<std::size_t>(made++));
    out = next;
    return !next.empty();
  }
};

TEST(StableRead, KeepsTheFirstCopyTwoReadsAgreeOn) {
  const Bytes a{1, 2, 3}, b{1, 9, 3}, c{7, 2, 3}, d{1, 2, 4}, e{0, 0, 0};
  struct Case {
    std::vector<Bytes> copies;
    eeprom::StableRead result;
    int reads;
    Bytes kept;
  } cases[] = {
      {{a, a}, eeprom::StableRead::Agreed, 2, a},
      {{a, b, b}, eeprom::StableRead::Agreed, 3, b},    // the first read was disturbed
      {{a, b, a}, eeprom::StableRead::Agreed, 3, a},    // agreement needs not be in a row
      {{a, b, c, d, e}, eeprom::StableRead::Disagreed, eeprom::kMostReads, {}},
      {{a, b, c, d, b}, eeprom::StableRead::Agreed, eeprom::kMostReads, b},
      {{{}}, eeprom::StableRead::Failed, 1, {}},
      {{a, {}}, eeprom::StableRead::Failed, 2, {}},
  };
  for (const Case& tc : cases) {
    ScriptedReads reads{tc.copies};
    Bytes kept;
    EXPECT_EQ(eeprom::ReadUntilTwoAgree(std::ref(reads), kept), tc.result);
    EXPECT_EQ(reads.made, tc.reads);
    EXPECT_EQ(kept, tc.kept);
  }
}

TEST(ChipRestore, ProgramsUpToTheLastUsedUnitOnly) {
  const auto withByteAt = [](std::size_t size, std::size_t at) {
    Bytes b(size, 0xFF);
    if (at < size) b[at] = 0x00;
    return b;
  };
  EXPECT_EQ(eeprom::ProgrammedLength(Bytes(0x10000, 0xFF)), 0u);
  EXPECT_EQ(eeprom::ProgrammedLength(withByteAt(0x10000, 0)), 0x1000u);
  EXPECT_EQ(eeprom::ProgrammedLength(withByteAt(0x10000, 0xFFF)), 0x1000u);
  EXPECT_EQ(eeprom::ProgrammedLength(withByteAt(0x10000, 0x1000)), 0x2000u);
  EXPECT_EQ(eeprom::ProgrammedLength(withByteAt(0x20000, 0x1FFFF)), 0x20000u);
  EXPECT_EQ(eeprom::ProgrammedLength(withByteAt(0x800, 3)), 0x800u);  // never past the copy
}

TEST(BackupChecksum, LinesReadAsSha256sumWritesThem) {
  const std::string hex(64, 'a');
  EXPECT_EQ(commands::ChecksumLine(hex, "card-20260101-000000.rom"),
            hex + "  card-20260101-000000.rom\n");
  EXPECT_EQ(commands::ChecksumLine(hex, "a\\b"), "\\" + hex + "  a\\\\b\n");
  EXPECT_EQ(commands::ChecksumLine(hex, "two\nlines"), "\\" + hex + "  two\\nlines\n");
  EXPECT_EQ(commands::ChecksumLine(hex, "Видеокарта.rom"), hex + "  Видеокарта.rom\n");
}

}  // namespace
// The completion message names the safety backup once, after a flash that kept one; a saved file
// and other messages leave it alone.
TEST(CompletedFlashMessage, NamesTheSafetyBackupOnceAfterACompletedFlash) {
  const ui::KeptCopy backup{ui::KeptCopy::Kind::SafetyBackup, "/p/Backups/PX4R7.F4-1.rom", "", true};
  const ui::KeptCopy saved{ui::KeptCopy::Kind::Saved, "/home/u/saved.rom", "", true};
  commands::CompletedFlashMessage m;
  EXPECT_EQ(m.Shown(commands::kFlashCompletedText), commands::kFlashCompletedText);  // none kept
  m.Kept(saved);
  EXPECT_EQ(m.Shown(commands::kFlashCompletedText), commands::kFlashCompletedText);
  m.Kept(backup);
  EXPECT_EQ(m.Shown("Save VGA BIOS completed!!!"), "Save VGA BIOS completed!!!");
  EXPECT_EQ(m.Shown(commands::kFlashCompletedText),
            std::string(commands::kFlashCompletedText) + "\nOld BIOS kept as PX4R7.F4-1.rom");
  EXPECT_EQ(m.Shown(commands::kFlashCompletedText), commands::kFlashCompletedText);  // told once
  m.Kept(backup);
  EXPECT_EQ(m.Shown(commands::kAtiFlashCompletedText, true),
            std::string(commands::kAtiFlashCompletedText) +
                "\nOld BIOS kept as /p/Backups/PX4R7.F4-1.rom");
}

}  // namespace rz
