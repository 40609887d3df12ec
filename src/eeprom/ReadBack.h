// SPDX-License-Identifier: GPL-3.0-or-later
// Read-back of the card's BIOS image into a backup file. The file at the chosen path is replaced
// only by a complete image: the image goes into a temporary file beside it first.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kGettingRomSize = "Getting ROM size.";
inline constexpr const char* kNoImageMemory = "Cannot allocate memory for ROM image.";
inline constexpr const char* kShortRomRead = "did not copy entire ROM.";
inline constexpr const char* kFileWriteError = "file write error.";
inline constexpr const char* kEepromNotFound = "Supported EEPROM not found.";

// Reads the image (its length from the ROM header) until two reads agree and writes it to the file
// in one write; the bytes written go to `saved` when given. The window is open; PROM access is
// off on entry and on exit.
bool WriteRomImage(EepromContext& ctx, std::uint8_t chipCode, platform::File& file,
                   std::vector<std::uint8_t>* saved = nullptr);

// Reads the chip's first `size` bytes (its whole contents: the part's datasheet capacity, whatever
// image the header claims) as ReadRomBytes reads them, its progress reported as `phase`. The window is open;
// PROM access is off on entry and on exit. False when memory ran out or a driver request of the
// read failed.
bool ReadWholeChip(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t size,
                   std::vector<std::uint8_t>& contents, ui::Phase phase);

enum SaveResult : std::uint32_t {
  kSaveOk = 0,
  kSaveFileOrNoChip = 1,  // the file cannot be created; no supported EEPROM
  kSaveFailed = 5,        // any other failure, a failed driver request included
};

// `saved`, when given, receives the image the file was given.
std::uint32_t DumpRomToFile(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                            const std::string& path, std::vector<std::uint8_t>* saved = nullptr);

// DumpRomToFile's SaveResult for the adapter at this index, or kBadAdapterIndex.
std::uint32_t SaveRomToFile(EepromContext& ctx, std::uint32_t adapterIndex, const std::string& path,
                            std::vector<std::uint8_t>* saved = nullptr);

}  // namespace rz::eeprom
