// SPDX-License-Identifier: GPL-3.0-or-later
// What the save and flash commands add to the card's history, gathered from what they know. A
// history that cannot be written never changes a command's result: it is reported as a notice
// ("The history could not be written: <why>") and the command goes on.
#pragma once
#include <optional>
#include <string>

#include "commands/CommandContext.h"
#include "commands/History.h"

namespace rz::commands {

inline constexpr const char* kHistoryNotWrittenStart = "The history could not be written: ";

// Lowercase hexadecimal SHA-256 of the file's contents; empty when it cannot be read.
std::string FileSha256(platform::FileSystem& files, const std::string& path);

// A record of adapter 0 as the program knows the card now, stamped with the system's local time;
// the caller fills in what the command did.
HistoryRecord CardRecord(CommandContext& ctx, HistoryAction action);

// Appends `record`; a failure is reported as a notice. True when it was written.
bool WriteHistory(CommandContext& ctx, const HistoryRecord& record);

// The save's record: the card's version and the digest of the file written to `target`.
void RecordSave(CommandContext& ctx, const std::string& target, bool saved);

// A flash's record, written when the note goes out of scope, so that every way out of the flash
// is recorded. Made before the flash touches anything (it takes the card's old version then);
// `backup` names the string that will hold the safety backup's path (Backup gives it otherwise).
// Completed marks the flash as done; without it the record says why the flash failed (the flash
// job's result on the programmed road).
class FlashHistoryNote {
 public:
  // `action` is Flash, or Recover for a card brought back from a lost BIOS.
  FlashHistoryNote(CommandContext& ctx, std::string file, const std::string& backup,
                   HistoryAction action = HistoryAction::Flash);
  // The vendor tool's road: the backup is named once it was made.
  FlashHistoryNote(CommandContext& ctx, std::string file);
  ~FlashHistoryNote();
  FlashHistoryNote(const FlashHistoryNote&) = delete;
  FlashHistoryNote& operator=(const FlashHistoryNote&) = delete;

  void Backup(const std::string& path) { ownBackup_ = path; }
  void Completed() { completed_ = true; }
  // The flash failed and the safety backup was written back: `ok` when it was verified. Adds a
  // restore record after the flash's.
  void Restored(bool ok) { restore_ = ok; }

 private:
  std::string FailureReason() const;

  CommandContext& ctx_;
  std::string file_;
  std::string ownBackup_;
  const std::string& backup_;
  std::string oldVersion_;
  std::string chip_;
  HistoryAction action_ = HistoryAction::Flash;
  bool completed_ = false;
  std::optional<bool> restore_;
};

}  // namespace rz::commands
