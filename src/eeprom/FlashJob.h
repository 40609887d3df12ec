// SPDX-License-Identifier: GPL-3.0-or-later
// The flash job: identify the EEPROM, check that the image belongs to the card, erase, program,
// read back and compare. The image is read and checked completely before the chip is touched.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "eeprom/EepromContext.h"

namespace rz::eeprom {

inline constexpr const char* kCannotOpenFile = "Cannot open file";
inline constexpr const char* kAccessingEepromError = "Accessing EEPROM error";
inline constexpr const char* kReadIntoBufferError = "Error reading file into buffer.";
inline constexpr const char* kProgrammingError = "Programming cycle had an error ... Aborting.";

enum FlashResult : std::uint32_t {
  kFlashOk = 0,
  kFlashFileOrAccess = 1,   // file cannot be opened; EEPROM cannot be identified
                            // (a driver request failed before or during identification)
  kFlashNoWindow = 2,       // no ROM window; no supported EEPROM
  kFlashWrongImage = 3,     // the image does not belong to this card (or cannot be read for it)
  kFlashOtherBoard = 4,     // never returned by RunFlashJob; the flash command keeps its text
  kFlashFailed = 5,         // erase refused, image unreadable, programming or verification
                            // failed, a driver request of the job failed
  kFlashNoBackup = 6,       // the chip's contents could not be read or kept: nothing was written
  kFlashWriteProtected = 7, // the chip's block protection would refuse the job: nothing was written
  kFlashUnstableRead = 8,   // no two reads of the chip agreed: nothing was written
  kFlashRestored = 9,       // the write failed; the contents kept before it were written back
                            // and verified (with a backup only)
};

// Keeps the chip's whole contents, read just before the chip is first touched; false when they
// could not be kept (the chip is then left as it is).
using ChipBackup = std::function<bool(std::span<const std::uint8_t> contents)>;

// The bit of flashMode that skips the check of the image against the card (its ids, its number).
inline constexpr std::uint32_t kFlashModeSkipImageCheck = 1u << 0;

// With kFlashModeSkipImageCheck in flashMode the image-versus-card check is skipped. With a `backup`, the chip is
// read whole (until two reads agree) and handed to it after the image has been read and checked
// and before anything on the chip changes; when erasing, programming or verifying then fails,
// those contents are written back and verified (kFlashRestored), or the job fails as it would
// have (kFlashFailed).
std::uint32_t RunFlashJob(EepromContext& ctx, std::uint32_t adapterIndex, const std::string& path,
                          std::uint32_t flashMode, const ChipBackup& backup = {});

// Reads a plain image or the fitting image of a "$RZ0" package into destination, at most `limit`
// bytes; an image longer than that, or shorter in the file than its header says, is refused with
// "Error reading file into buffer.". Sets length.
bool ReadImageFile(EepromContext& ctx, std::uint8_t chipCode, std::span<std::uint8_t> destination,
                   std::uint32_t limit, platform::File& file, std::uint32_t& length);

struct ImageIds {
  std::uint16_t vendorId = 0;
  std::uint16_t deviceId = 0;
  std::uint16_t subsystemVendorId = 0;
  std::uint16_t subsystemId = 0;
  std::uint8_t cardNumber = 0xFF;  // of the last "$RZ" block; 0xFF when there is none
};
// False when the PCI data structure lies outside the image.
bool ReadImageIds(std::span<const std::uint8_t> image, ImageIds& ids);

bool PackagedImageFitsCard(EepromContext& ctx, std::span<const std::uint8_t> candidate);

bool CheckImageFitsCard(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t limit,
                        platform::File& file, std::size_t asicIndex, std::uint32_t subsystemIds,
                        std::uint8_t cardNumber);

bool ProgramFromImage(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t limit,
                      platform::File& file);

// True when the chip holds exactly the file's image; firstDifference is -1 then.
bool VerifyWithFile(EepromContext& ctx, std::uint8_t chipCode, platform::File& file,
                    std::int64_t& firstDifference);

}  // namespace rz::eeprom
