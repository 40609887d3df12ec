// SPDX-License-Identifier: GPL-3.0-or-later
// The history file in the program's keep folder: records appended one whole line at a time, and
// the file read back line by line, damaged lines kept as they stand.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "commands/History.h"
#include "platform/FileSystem.h"

namespace rz::commands {

inline constexpr const char* kHistoryFileName = "history.log";

// <keepFolder>history.log (the keep folder ends in its separator).
std::string HistoryPath(const std::string& keepFolder);

// Appends the record's line to <keepFolder>history.log: the keep folder is made when missing, a
// new or empty file gets kHistoryHeader first, and a file whose last line was cut short (no line
// feed at its end) gets a line feed first, so that the new record is a line of its own. The text
// goes to the file in one write, which is then flushed to the disk. Nullopt when all of that
// succeeded; otherwise why it did not, for a person.
std::optional<std::string> AppendHistory(platform::FileSystem& files,
                                         const std::string& keepFolder,
                                         const HistoryRecord& record);

// One line of the file (the header and blank lines are no entries).
struct HistoryEntry {
  std::size_t lineNumber = 0;            // from 1
  std::optional<HistoryRecord> record;   // nullopt: the line is damaged
  std::string text;                      // the line as it stands
};

struct HistoryListing {
  bool found = false;  // false: there is no history file (or it cannot be read)
  std::vector<HistoryEntry> entries;
};

HistoryListing ReadHistory(platform::FileSystem& files, const std::string& path);

}  // namespace rz::commands
