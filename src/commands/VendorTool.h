// SPDX-License-Identifier: GPL-3.0-or-later
// The graphics-chip maker's flash tool for ATI cards: its launch fields, the launch itself, and
// the exchange-file sequences of start-up, save and flash around it. The exchange files live in a
// folder private to this run, which is the tool's current folder; no file of the user's is ever
// written or removed through them.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "ui/Ui.h"

namespace rz::commands {

// The tool's location below the program folder.
#ifdef _WIN32
inline constexpr const char* kAtiToolRelativePath = "tool\\ATIWinflash.exe";
#else
inline constexpr const char* kAtiToolRelativePath = "tool/ATIWinflash";
#endif

// Exchange files in the exchange folder.
inline constexpr const char* kAtiBackupFile = "Backup.rom";
inline constexpr const char* kAtiSaveFile = "Save.bin";
inline constexpr const char* kAtiFlashFile = "Flash.bin";
inline constexpr const char* kAtiVerifyFile = "Verify.bin";

// Fixed command lines (the start-up one keeps its leading blank).
inline constexpr const char* kAtiBackupArgs = " -s 0 Backup.rom -quiet";
inline constexpr const char* kAtiSaveArgs = "-s 0 Save.bin -quiet";
inline constexpr const char* kAtiFlashArgs = "-p 0 Flash.bin -f -quiet";
inline constexpr const char* kAtiVerifyArgs = "-s 0 Verify.bin -quiet";

inline constexpr const char* kSaveCompletedText = "Save VGA BIOS completed!!!";
inline constexpr const char* kSaveFailedText = "Save VGA BIOS failed!!!";
inline constexpr const char* kAtiFlashCompletedText = "Flash VGA BIOS completed!!!";
inline constexpr const char* kAtiFlashFailedText = "Flash VGA BIOS failed!!!";

// How long the tool usually takes for one launch; waiting longer, the status says how long it has
// been running, once a minute, so that nobody turns the computer off in the middle of a flash.
inline constexpr std::uint32_t kToolUsualRunMs = 2 * 60 * 1000;
inline constexpr std::uint32_t kToolWaitReportMs = 60 * 1000;

// "Flashing: 3 min - do not turn the computer off" for a launch that programs the card,
// "Reading the card: 3 min - ..." for one that saves it; whole minutes waited.
std::string LongToolRunText(const std::string& args, std::uint64_t waitedMs);

// The subsystem id of boards on which the tool numbers the card as adapter 1.
inline constexpr std::uint16_t kAdapterIndexOneSubsystemId = 0x0028;

// Main-window fields of the next launch.
struct VendorToolFields {
  std::string atiToolPath;     // absolute; set once at start for an ATI card
  std::string atiToolArgs;     // parameter text of the next launch
  std::string atiImageFile;    // the file of the current launch (backup, save target, flash source)
  std::string exchangeFolder;  // private to this run, with its trailing separator; set when needed
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

// The exchange folder of this run (the system's private scratch folder), with its trailing
// separator; empty when there is none. Remembered in the fields.
std::string ExchangeFolder(VendorToolContext& ctx);

// Starts the tool with atiToolPath and atiToolArgs in the exchange folder and waits for its end.
// On adapter-index-one boards the first " 0 " of atiToolArgs becomes " 1 ", in the field itself.
// Not started (started false) when there is no exchange folder. Past kToolUsualRunMs the status
// shows LongToolRunText once a minute (the tool is never stopped); after such a wait it shows the
// busy text again.
platform::LaunchResult RunFlashTool(VendorToolContext& ctx);

// Start-up call site: sets the path, "Backup.rom" in the exchange folder (atiImageFile) and its
// command line and runs the tool. True when the tool ran, ended with status 0 and wrote a fresh
// "Backup.rom"; the caller reads it and then removes it with RemoveExchangeFile.
bool RunAtiBackup(VendorToolContext& ctx, const std::string& programFolder);

// Save call site (after the blank-screen warning): the tool writes "Save.bin", whose contents
// replace `target` the way every save does (a temporary file beside the target, renamed over it
// after a complete write). A target that is not a plain file the user may write is refused
// before the tool runs ("Cannot open file: %s."). Success needs a tool that started and ended with
// status 0, a fresh "Save.bin" and a complete write. Shows the completed or failed message, then
// processes events. "Save.bin" is removed afterwards.
bool RunAtiSave(VendorToolContext& ctx, const std::string& target);

// Before the flash launch (after the image checks): copies atiImageFile to "Flash.bin" in the
// exchange folder and sets the flash command line. When the copy fails, shows "Flash VGA BIOS
// failed!!!" and returns false: the tool must not be started.
bool PrepareAtiFlash(VendorToolContext& ctx);

// Reads the card through the tool, quietly but for its progress as `phase`: `name` is removed
// from the exchange folder, the tool is started with `args` (the fields' command line is restored
// afterwards) and must end with status 0 having written `name` afresh; its contents (at most a
// BIOS file's worth) go into `contents` and the file is removed. False when any of that failed.
bool ReadCardThroughTool(VendorToolContext& ctx, const char* name, const char* args,
                         std::vector<std::uint8_t>& contents, ui::Phase phase);

// The contents of an exchange file of this run, at most a BIOS file's worth; false when it cannot
// be read or is empty.
bool ReadExchangeFile(VendorToolContext& ctx, const char* name,
                      std::vector<std::uint8_t>& contents);

// True when the card, read back through the tool into "Verify.bin", holds
// bios::FlashedImage(flashed).
bool VerifyThroughTool(VendorToolContext& ctx, std::span<const std::uint8_t> flashed);

// Last step of the flash call site (after the blank-screen warning): runs the tool, sets the
// status "Ready" and processes events; when the tool started and ended with status 0, `verify`
// (when given) decides whether the card holds the image. Then shows the completed message or the
// failed one, and processes events. "Flash.bin" is removed afterwards. Returns whether the flash
// completed; only then may the restart be offered.
bool RunAtiFlash(VendorToolContext& ctx, const std::function<bool()>& verify = {});

// After a flash that did not complete: the tool programs `backupPath` (the safety backup, whose
// contents are `contents`) as it programmed the image, showing one "Restoring" phase, and the card
// is read back through the tool. True when the card holds the backup again. Shows no message.
bool RestoreThroughTool(VendorToolContext& ctx, const std::string& backupPath,
                        std::span<const std::uint8_t> contents);

// Removes an exchange file of this run (by its name in the exchange folder).
void RemoveExchangeFile(VendorToolContext& ctx, const char* name);

}  // namespace rz::commands
