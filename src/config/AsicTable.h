// SPDX-License-Identifier: GPL-3.0-or-later
// RZFLASH.CFG: the NVIDIA graphics chips whose EEPROM the program programs itself, loaded once
// per run from the program's folder into the AsicTable.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "ui/Ui.h"

namespace rz::config {

inline constexpr const char* kConfigFileName = "RZFLASH.CFG";
inline constexpr const char* kConfigOpenError = "Error opening cfg file";
inline constexpr std::size_t kAsicNameMax = 31;  // characters; longer names are cut

inline constexpr const char* kKeywordAsicNv = "asic_nv";
inline constexpr const char* kKeywordAsicNv2 = "asic_nv2";

struct AsicEntry {
  std::uint32_t vendorId = 0;
  std::uint32_t deviceId = 0;
  std::uint32_t param2 = 0;
  std::uint32_t type = 0;
  std::uint32_t param4 = 0;
  std::uint32_t param5 = 0;
  std::uint32_t param6 = 0;
  std::uint32_t param7 = 0;
  std::uint32_t param8 = 0;
  std::uint32_t promFlag = 0;
  std::uint32_t param10 = 0;
  std::string name;  // at most kAsicNameMax characters

  bool operator==(const AsicEntry&) const = default;
};

struct AsicTable {
  bool built = false;              // the file is read at most once per run
  std::string path;                // ProgramFolder + separator + RZFLASH.CFG, held for the run
  std::size_t capacity = 0;        // records counted by the sizing pass
  std::vector<AsicEntry> entries;  // stored records in file order

  // Index of the first entry of type 1 with this device id.
  std::optional<std::size_t> Lookup(std::uint16_t deviceId) const;
};

// Builds the table from <programFolder>/RZFLASH.CFG unless it is built already, telling no one:
// false when the file cannot be opened for the loading pass (the table then stays unbuilt). The
// file is opened twice (sizing pass, loading pass).
bool ReadAsicTable(AsicTable& table, const std::string& programFolder, platform::FileSystem& files);

// 0 when the table is there (loaded now or earlier), 1 when it was not built; then the user sees
// the path and "Error opening cfg file" in two message boxes.
int LoadAsicTable(AsicTable& table, const std::string& programFolder, platform::FileSystem& files,
                  ui::Ui& ui);

// Sizing pass: the number of records whose fields convert by the lenient counting formats
// (an "asic_nv" record needs only three numbers and a word).
std::size_t CountAsicRecords(std::string_view text);
// Loading pass: the records whose fields all convert, in file order, at most `capacity`.
std::vector<AsicEntry> LoadAsicRecords(std::string_view text, std::size_t capacity);

// Both passes over one text; used by the fuzz target. Sets `capacity` from the sizing pass.
std::vector<AsicEntry> ParseAsicText(std::string_view text, std::size_t& capacity);

}  // namespace rz::config
