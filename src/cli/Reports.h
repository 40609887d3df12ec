// SPDX-License-Identifier: GPL-3.0-or-later
// What the terminal's listing and verify commands print: one text line per item for people and,
// with --json, one JSON object with the same facts for scripts.
#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/JsonWriter.h"
#include "commands/AdapterListing.h"
#include "commands/ChipListing.h"
#include "commands/VerifyCommand.h"
#include "ui/Ui.h"

namespace rz::cli {

// "0x10DE": the form every id takes in the JSON output.
std::string HexId(unsigned value, int digits = 4);

std::string ChipLine(const commands::ChipListing& chip);
void WriteChipsJson(JsonWriter& json, const std::vector<commands::ChipListing>& chips);

std::string AdapterLine(const commands::AdapterListing& adapter);
void WriteAdaptersJson(JsonWriter& json, const std::vector<commands::AdapterListing>& adapters,
                       bool configLoaded);

// The members every command that detects the card shares: adapter 0 and its road.
void WriteCardMembers(JsonWriter& json, const std::vector<commands::AdapterListing>& adapters);

// The verify command's members but its problem, which is the run's (VerifyProblem).
void WriteVerifyMembers(JsonWriter& json, const std::string& file,
                        const commands::VerifyReport& report);
// Why the card and the file could not be compared; nullopt when they were.
std::optional<std::string> VerifyProblem(const commands::VerifyReport& report);

// Text when set, else null.
// "kept": the copies of the card's BIOS the run kept (the saved file, the safety backup), each with
// its path, kind and SHA-256 and whether the checksum file beside it was written.
void WriteKeptCopies(JsonWriter& json, const std::vector<ui::KeptCopy>& copies);

void WriteOptional(JsonWriter& json, const char* key, const std::optional<std::string>& text);
// The number of bytes a size label such as "65536 bytes" or "65536  Bytes" begins with; null when
// the label is unset or begins with no number.
void WriteSizeOf(JsonWriter& json, const char* key, const std::optional<std::string>& label);

}  // namespace rz::cli
