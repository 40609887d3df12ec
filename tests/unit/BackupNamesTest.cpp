// SPDX-License-Identifier: GPL-3.0-or-later
// Names of safety backups: always a visible, ordinary file name on every system the program runs
// on, whatever the card's model name holds; and the moment a name records, read back in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "commands/SafetyBackup.h"

namespace rz::test {
namespace {

using commands::BackupMoment;

// Windows' device names, spelled out here rather than taken from the program.
bool NamesADevice(std::string base) {
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* d : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == d) return true;
  for (const char* family : {"COM", "LPT"})
    for (char digit = '0'; digit <= '9'; ++digit)
      if (base == std::string(family) + digit) return true;
  return false;
}

// What every backup name must be: visible, not ending in a dot or blank, no device, no character
// any of the systems refuses.
::testing::AssertionResult Ordinary(const std::string& name) {
  if (name.empty() || name.front() == '.' || name.front() == ' ')
    return ::testing::AssertionFailure() << "hidden or blank at the start: " << name;
  if (name.back() == '.' || name.back() == ' ')
    return ::testing::AssertionFailure() << "dot or blank at the end: " << name;
  if (NamesADevice(name.substr(0, name.find('.'))))
    return ::testing::AssertionFailure() << "a device name: " << name;
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"/\\|?*", c))
      return ::testing::AssertionFailure() << "a forbidden character: " << name;
  return ::testing::AssertionSuccess();
}

struct NameCase {
  std::string model;  // the card's proposed backup name
  std::string stem;
};

TEST(BackupNames, AreVisibleOrdinaryNamesWhateverTheModelName) {
  const NameCase cases[] = {
      {"", "BIOS"},
      {".", "BIOS"},
      {"..", "BIOS"},
      {".hidden", "BIOS.hidden"},
      {".F4", "BIOS.F4"},  // a card without a model name, BIOS F4
      {"../../x.F4", "BIOS.._.._x.F4"},
      {"a.", "a"},
      {"a. .", "a"},
      {"PX4R7H.", "PX4R7H"},  // a version without its letter
      {"PX4R7   ", "PX4R7"},
      {"   PX4R7", "PX4R7"},
      {"CON", "CON_"},
      {"con", "con_"},
      {"nul.txt", "nul_.txt"},
      {"Aux .F4", "Aux_ .F4"},
      {"PRN.F12", "PRN_.F12"},
      {"COM1", "COM1_"},
      {"LPT9", "LPT9_"},
      {"lpt0.F4", "lpt0_.F4"},
      {"CONOUT$", "CONOUT$_"},
      {"COM10", "COM10"},
      {"CONSOLE.F4", "CONSOLE.F4"},
      {"RZ/HD:4?5*<>|\"\\x\x01", "RZ_HD_4_5______x_"},
      {std::string("PX4R7.F5\0junk", 13), "PX4R7.F5"},
      {"PX4R7H.F4", "PX4R7H.F4"},
  };
  const platform::LocalTime when{2026, 12, 8, 3, 4, 5};
  for (const NameCase& c : cases) {
    SCOPED_TRACE("model name \"" + c.model + "\"");
    EXPECT_EQ(commands::BackupNameStem(c.model), c.stem);
    EXPECT_TRUE(Ordinary(commands::BackupNameStem(c.model)));
    for (const int n : {1, 2})
      EXPECT_TRUE(Ordinary(commands::BackupFileName(commands::BackupNameStem(c.model), when, n)));
  }
}

TEST(BackupNames, RecordTheMomentInAnOrderThatReadsBack) {
  struct Case {
    const char* name;
    std::optional<BackupMoment> moment;
  };
  const Case cases[] = {
      {"PX4R7.F5-20261208-030405.rom", BackupMoment{"20261208030405", 1}},
      {"PX4R7.F5-20261208-030405-2.rom", BackupMoment{"20261208030405", 2}},
      {"PX4R7.F5-20261208-030405-999.rom", BackupMoment{"20261208030405", 999}},
      {"A-20260101-20261208-030405.rom", BackupMoment{"20261208030405", 1}},
      {"BIOS-20260101-000000.rom", BackupMoment{"20260101000000", 1}},
      {"PX4R7.F5-20261208-030405.bin", std::nullopt},
      {"PX4R7.F5-2026120-030405.rom", std::nullopt},
      {"PX4R7.F5-20261208-30405.rom", std::nullopt},
      {"PX4R7.F5-20261208-030405-1.rom", std::nullopt},
      {"PX4R7.F5-20261208-030405-x.rom", std::nullopt},
      {"PX4R7.F5.rom", std::nullopt},
      {".rz1a2b3c4d.tmp", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(commands::ReadBackupMoment(c.name), c.moment) << c.name;
  // What BackupFileName writes reads back, later moments and numbers greater.
  const platform::LocalTime early{2025, 12, 31, 23, 59, 59}, late{2026, 1, 1, 0, 0, 0};
  const auto a = commands::ReadBackupMoment(commands::BackupFileName("X", early, 10));
  const auto b = commands::ReadBackupMoment(commands::BackupFileName("X", late, 1));
  const auto c = commands::ReadBackupMoment(commands::BackupFileName("X", late, 2));
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(a->n, 10);
  EXPECT_LT(*a, *b);
  EXPECT_LT(*b, *c);
}

}  // namespace
}  // namespace rz::test
