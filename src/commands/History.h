// SPDX-License-Identifier: GPL-3.0-or-later
// The card's history: one record per save, flash, restore or recovery, written as one
// tab-separated line and read back. Tabs, line breaks and backslashes inside a field are written
// as \t, \n, \r and \\, so a line is always one line with the same number of fields, and every
// field reads back exactly as it was.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/System.h"

namespace rz::commands {

enum class HistoryAction { Save, Flash, Restore, Recover };

// "save", "flash", "restore", "recover".
const char* HistoryActionName(HistoryAction action);
std::optional<HistoryAction> HistoryActionNamed(std::string_view name);

struct HistoryRecord {
  std::string time;  // ISO 8601 local time, "2026-01-01T00:03:10"
  HistoryAction action = HistoryAction::Save;
  std::string bus;        // "BB:DD", as the adapter listing shows it
  std::string ids;        // "VVVV:DDDD": vendor and device id
  std::string subsystem;  // "VVVV:SSSS": subsystem vendor and subsystem id
  std::string chip;       // the EEPROM's name; empty where the program does not read the chip
  std::string oldVersion;
  std::string newVersion;
  std::string oldSha256;  // of the chip's contents before; empty where unknown
  std::string newSha256;  // of what was written (the image flashed, the file saved)
  std::string file;       // the file saved to or flashed from
  std::string backup;     // the copy of the old BIOS
  bool ok = false;
  std::string reason;  // why it failed; empty when it did not
  bool operator==(const HistoryRecord&) const = default;
};

// The first line of a history file: what it is and the names of the fields, in their order.
inline constexpr const char* kHistoryHeader =
    "# rzflash history 1\ttime\taction\tbus\tids\tsubsystem\tchip\told_version\tnew_version"
    "\told_sha256\tnew_sha256\tfile\tbackup\tresult";
inline constexpr std::size_t kHistoryFieldCount = 13;

// "YYYY-MM-DDTHH:MM:SS".
std::string IsoLocalTime(const platform::LocalTime& when);
// "BB:DD" and "XXXX:XXXX" in upper-case hexadecimal.
std::string BusText(unsigned bus, unsigned device);
std::string IdPairText(unsigned first, unsigned second);

// `text` with backslash, tab, line feed and carriage return written as \\, \t, \n and \r.
std::string EscapeHistoryField(std::string_view text);

// The record's line, without its line feed. The result field is "ok", or "failed" followed by
// ": " and the reason when there is one.
std::string FormatHistoryLine(const HistoryRecord& record);
// The record of a line FormatHistoryLine made (a carriage return at its end, as a text editor may
// leave it, is ignored); nullopt for a line that is damaged: another number of fields, an unknown
// action or result, an escape that is none of the four, an empty time.
std::optional<HistoryRecord> ParseHistoryLine(std::string_view line);

}  // namespace rz::commands
