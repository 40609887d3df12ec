// The graphics-chip maker's flash tool for ATI cards: its launch fields, the launch itself, and
// the exchange-file sequences of start-up, save and flash around it.
#pragma once
#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "ui/Ui.h"

namespace rz::commands {

// The tool's location below the program folder.
#ifdef _WIN32
inline constexpr const char* kAtiToolRelativePath = "tool\\ATIWinflash.exe";
#else
inline constexpr const char* kAtiToolRelativePath = "tool/ATIWinflash";
#endif

// Exchange files in the current folder.
inline constexpr const char* kAtiBackupFile = "Backup.rom";
inline constexpr const char* kAtiSaveFile = "Save.bin";
inline constexpr const char* kAtiFlashFile = "Flash.bin";

// Fixed command lines (the start-up one keeps its leading blank).
inline constexpr const char* kAtiBackupArgs = " -s 0 Backup.rom -quiet";
inline constexpr const char* kAtiSaveArgs = "-s 0 Save.bin -quiet";
inline constexpr const char* kAtiFlashArgs = "-p 0 Flash.bin -f -quiet";

inline constexpr const char* kSaveCompletedText = "Save VGA BIOS completed!!!";
inline constexpr const char* kSaveFailedText = "Save VGA BIOS failed!!!";
inline constexpr const char* kAtiFlashCompletedText = "Flash VGA BIOS completed!!!";
inline constexpr const char* kAtiFlashFailedText = "Flash VGA BIOS failed!!!";

// The subsystem id of boards on which the tool numbers the card as adapter 1.
inline constexpr std::uint16_t kAdapterIndexOneSubsystemId = 0x0028;

// Main-window fields of the next launch.
struct VendorToolFields {
  std::string atiToolPath;   // absolute; set once at start for an ATI card
  std::string atiToolArgs;   // parameter text of the next launch
  std::string atiImageFile;  // the file of the current launch (backup, save target, flash source)
};

// What the call sites work with: the seams, the person, the fields and adapter 0's subsystem id.
struct VendorToolContext {
  platform::Platform& seams;
  ui::Ui& ui;
  VendorToolFields& fields;
  std::uint16_t subsystemId = 0;
};

bool UsesAdapterIndexOne(std::uint16_t subsystemId);

// ProgramFolder (with its trailing separator) followed by the tool's relative path.
std::string AtiToolPathFor(const std::string& programFolder);

// Starts the tool with atiToolPath and atiToolArgs in the current folder and waits for its end.
// On adapter-index-one boards the first " 0 " of atiToolArgs becomes " 1 ", in the field itself.
platform::LaunchResult RunFlashTool(VendorToolContext& ctx);

// Start-up call site: sets the path, "Backup.rom" and its command line and runs the tool. A
// "Backup.rom" left from an earlier run is removed first so that it is never taken for this
// card's BIOS; true when the tool ran, ended with status 0 and wrote a fresh "Backup.rom".
bool RunAtiBackup(VendorToolContext& ctx, const std::string& programFolder);

// Save call site (after the blank-screen warning): the tool writes "Save.bin", which is copied
// over `target`. Success needs a fresh "Save.bin" (a stale one is removed before the launch;
// when it cannot be removed the save fails without a launch), a tool that started and ended with
// status 0, and a successful copy. Shows the completed or failed message, then processes events.
bool RunAtiSave(VendorToolContext& ctx, const std::string& target);

// First step of the flash call site: atiImageFile = `source`, copied to "Flash.bin", and the
// flash command line. When the copy fails, shows "Flash VGA BIOS failed!!!" and returns false:
// the tool must not be started. The image check (on atiImageFile) comes after this step.
bool PrepareAtiFlash(VendorToolContext& ctx, const std::string& source);

// Last step of the flash call site (after the image check and the blank-screen warning): runs
// the tool, sets the status "Ready" and processes events, then shows the completed message when
// the tool started and ended with status 0, the failed message otherwise, and processes events.
// Returns whether the flash completed; only then may the restart be offered.
bool RunAtiFlash(VendorToolContext& ctx);

}  // namespace rz::commands
