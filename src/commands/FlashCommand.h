// SPDX-License-Identifier: GPL-3.0-or-later
// The flash command: the driver gate, the stock-BIOS offer or the open dialog, then the vendor
// tool road for ATI cards or validation and the flash job for the others, and the restart offer.
#pragma once
#include <string>

#include "commands/CommandContext.h"
#include "commands/History.h"

namespace rz::commands {

inline constexpr const char* kOpenDialogTitle = "Select source file to update BIOS";
inline constexpr const char* kStockOfferPrefix = "There is a new VBIOS ";
inline constexpr const char* kStockOfferSuffix = "\r\n       Do you wish to Update?";
inline constexpr const char* kFlashCompletedText = "Flash BIOS completed!!!";
inline constexpr const char* kReadBackFailedText = "Save Flash BIOS Fail!!!";
inline constexpr const char* kBinFileMismatchText = "The BIN file not match!!!";

enum class FlashOutcome {
  NotStarted,  // refused by the gate, already running, or the dialog was cancelled
  Failed,
  Completed,   // "Flash BIOS completed!!!" or "Flash VGA BIOS completed!!!" was shown
};

// What becomes of the stock BIOS offer on a board that has one.
enum class StockOffer {
  Ask,      // the window's way: the person is asked
  Decline,  // the file the person named is flashed; the offer is shown answered No
  Take,     // the stock file is flashed; the offer is shown answered Yes
};

// btFlashClick. With Take on a board without a stock offer nothing is started.
FlashOutcome btFlashClick(CommandContext& ctx, StockOffer stock = StockOffer::Ask);

// The flash step that validation hands the validated file to: runs the flash job and reports,
// and after a verified flash shows the card's new identity and offers the restart.
// True when the flash completed. With HistoryAction::Recover the card has lost its ids: the job's
// check of the image against them is skipped (the caller checked the image against the chip)
// and the history records a recovery.
// Whether a flash of adapter 0 may begin: the display driver gate passes (it shows its own
// message otherwise) and no flash is under way.
bool MayBeginFlash(CommandContext& ctx);

bool FlashStep(CommandContext& ctx, const std::string& flashPath,
               HistoryAction action = HistoryAction::Flash);

}  // namespace rz::commands
