// RZFLASH.CFG: the NVIDIA graphics chips whose EEPROM the program programs itself.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "ui/Ui.h"

namespace rz::config {

inline constexpr const char* kConfigFileName = "RZFLASH.CFG";
inline constexpr const char* kConfigOpenError = "Error opening cfg file";
inline constexpr std::size_t kAsicNameMax = 31;  // characters; longer names are cut

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
};

struct AsicTable {
  bool built = false;             // the file is read at most once per run
  std::string path;               // ProgramFolder + separator + RZFLASH.CFG, held for the run
  std::size_t capacity = 0;       // records counted by the sizing pass
  std::vector<AsicEntry> entries;  // stored records in file order

  // Index of the first entry of type 1 with this device id.
  std::optional<std::size_t> Lookup(std::uint16_t deviceId) const;
};

// 0 when the table is there (loaded now or earlier), 1 when it was not built.
int LoadAsicTable(AsicTable& table, const std::string& programFolder, platform::FileSystem& files,
                  ui::Ui& ui);

// Parses the text of a configuration file into entries (both passes); used by the loader and by
// the fuzz target. Returns the capacity found by the sizing pass in `capacity`.
std::vector<AsicEntry> ParseAsicText(const std::string& text, std::size_t& capacity);

}  // namespace rz::config
