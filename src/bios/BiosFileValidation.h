// SPDX-License-Identifier: GPL-3.0-or-later
// Validation of a chosen BIOS file before the program flashes it into the card: package
// extraction to temp.rom, id, version and checksum checks, the screen warning, then the hand-over
// to the flash step.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "bios/BiosIdentity.h"
#include "bios/BiosVersion.h"
#include "bios/SignatureData.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "ui/Ui.h"

namespace rz::bios {

inline constexpr const char* kExtractedImageName = "temp.rom";
inline constexpr std::uint32_t kBlankWarningPauseMs = 500;

inline constexpr const char* kMemoryAllocFailText = "Memory alloc fail !!";
inline constexpr const char* kOpenRomFailText = "Open rom file fail !!";
inline constexpr const char* kExtractFailText = "extract rom file fail !!";
inline constexpr const char* kBiosIdMismatchText = "The BIOS ID not match!!!";
inline constexpr const char* kVersionSameText = "The BIOS Version is the same!!!";
inline constexpr const char* kVersionErrorText = "The BIOS Version Error!!!";
inline constexpr const char* kVersionMismatchText = "The BIOS Version not match!!!";
inline constexpr const char* kOpenFailSuffix = " open fail...";
inline constexpr const char* kChecksumErrorText = "Checksum error! This file may be damaged!!";
inline constexpr const char* kBlankScreenText = "The screen may go *BLANK* during EEPROM flash";

// What validation needs from the state of the run.
struct ValidationContext {
  platform::FileSystem& files;
  platform::System& system;
  ui::Ui& ui;
  std::uint32_t cardIds = 0;           // adapter 0's ids
  std::uint32_t cardSubsystemIds = 0;  // adapter 0's subsystemIds
  std::uint8_t cardNumber = 0xFF;      // read from the card at start
  const CardBiosIdentity& card;        // the card's BIOS_VERSION and VersionWord
  const std::string& startDirectory;
  ModelText& modelText;
  VersionCheckResult& versionCheckResult;
  // Whether the BIOS now on the card is whole; asked only when the version check refuses the
  // file. A card whose image is damaged (a flash stopped part-way) takes any version, so that the
  // user can repair it with the file at hand. None: the card counts as intact.
  std::function<bool()> cardImageIntact;
};

// The flash step, called with the validated path when every check has passed.
using FlashStep = std::function<void(const std::string& flashPath)>;

enum class ValidationOutcome {
  HandedOver,  // every check passed and the flash step was called
  AllocFailed,
  OpenFailed,
  ExtractFailed,
  IdMismatch,
  VersionRefused,
  ChecksumOpenFailed,
  ChecksumBad,
};

// Where temp.rom lives: in the system's scratch directory; empty when there is none.
std::string ExtractedImagePath(platform::System& system);

// The checksum check with its messages ("%s open fail..." when the file cannot be opened, the
// checksum error when it is cut short of its image or does not sum to 0); nullopt when it passes.
std::optional<ValidationOutcome> CheckImageChecksum(platform::FileSystem& files, ui::Ui& ui,
                                                    const std::string& path);

// Runs the checks in order, showing the message of the first failure; on success warns about
// the blank screen, pauses, sets the busy status, returns to the start directory and calls
// `flashStep`.
ValidationOutcome ValidateBiosFile(ValidationContext& context, const std::string& path,
                                   const FlashStep& flashStep);

}  // namespace rz::bios
