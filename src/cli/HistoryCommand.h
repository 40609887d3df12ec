// SPDX-License-Identifier: GPL-3.0-or-later
// `rzflash-cli history`: the saves and flashes the program recorded, read from the history file
// in its keep folder (the emulated machine's with --machine), without touching any card.
#pragma once
#include <cstdio>
#include <string>

#include "cli/Options.h"
#include "cli/RunEnd.h"
#include "commands/HistoryFile.h"

namespace rz::cli {

// One line for people: time, action, card (bus, ids, subsystem), chip, old and new version,
// result, file and backup; fields that are empty show as "-".
std::string HistoryLine(const commands::HistoryRecord& record);
// "line N is damaged: TEXT".
std::string DamagedHistoryLine(const commands::HistoryEntry& entry);

// Writes the listing of `path` to `human` and, with --json, its members into `json`.
void WriteHistoryListing(const std::string& path, const commands::HistoryListing& listing,
                         std::FILE* human, JsonWriter* json);

// The command. Exit status 0 also for a missing or empty history; 2 when the machine cannot be
// loaded.
int ShowHistory(const Options& o, std::FILE* human, RunEnd& end);

}  // namespace rz::cli
