// SPDX-License-Identifier: GPL-3.0-or-later
// What `rzflash-cli inspect FILE` prints about a BIOS file: text lines for people and, with
// --json, the same facts as members of the run's JSON object; and which boards of RZFLASH.CFG an
// image fits.
#pragma once
#include <string>
#include <vector>

#include "bios/FileInspection.h"
#include "cli/JsonWriter.h"
#include "config/AsicTable.h"

namespace rz::cli {

// RZFLASH.CFG as the inspection found it: `table` null when it could not be read at `path`.
struct InspectConfig {
  const config::AsicTable* table = nullptr;
  std::string path;
};

// The entries a flash of an image with these PCI ids could take: type 1, the same vendor and
// device id (the ids the flash job compares), in file order.
std::vector<config::AsicEntry> FittingBoards(const config::AsicTable& table,
                                             const bios::PciDataInfo& ids);

std::vector<std::string> InspectLines(const std::string& file, const bios::FileInspection& f,
                                      const InspectConfig& config);

// Every member but "file", which the command writes whether or not the file could be read.
void WriteInspectMembers(JsonWriter& json, const bios::FileInspection& f, const InspectConfig& config);

}  // namespace rz::cli
