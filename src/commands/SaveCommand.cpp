// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/SaveCommand.h"

#include "base/TextFormat.h"
#include "commands/BackupChecksum.h"
#include "commands/HistoryNote.h"
#include "eeprom/ReadBack.h"
#include "hw/PciConfig.h"

namespace rz::commands {

namespace {

// A target that would replace one of the program's own files takes the road of a target that
// cannot be written, before the card or the vendor tool is touched: "Cannot open file: FILE."
// and the failed save.
bool RefuseOwnFile(CommandContext& ctx, const std::string& target) {
  if (!IsProgramOwnFile(ctx.seams.files, ctx.ownPlaces, target)) return false;
  ctx.ui.MessageBox("", FormatText(kCannotOpenFileFormat, target), ui::Buttons::Ok, ui::Icon::None);
  const bool nvidia = ctx.state.cardVendor == hw::kVendorNvidia;
  if (nvidia) ctx.state.lastEepromResult = eeprom::kSaveFileOrNoChip;
  ctx.ui.SkinnedMessage(kSaveFailedText);
  if (!nvidia) ctx.ui.ProcessEvents();  // as the vendor tool's save ends
  return true;
}

}  // namespace

bool btSaveClick(CommandContext& ctx) {
  hw::CommandReporting reporting(ctx.eeprom.io);  // each driver failure message shown once
  auto& ui = ctx.ui;
  const auto target =
      ui.SaveFileDialog(kSaveDialogTitle, ctx.dialogFolder, ctx.state.card.BackupFileName);
  if (!target) {
    ui.SetStatus(ui::kStatusReady);
    return false;
  }
  ui.SetCommandButtonsEnabled(false);
  ui.SetStatus(ui::kStatusBusy);
  ui.SkinnedMessage(kBlankScreenWarning);
  ui.ProcessEvents();
  ctx.seams.system.Sleep(kAfterWarningPauseMs);

  bool saved = false;
  const bool knownCard =
      ctx.state.cardVendor == hw::kVendorAti || ctx.state.cardVendor == hw::kVendorNvidia;
  if (knownCard && RefuseOwnFile(ctx, *target)) {
    // Refused and told; nothing was saved.
  } else if (ctx.state.cardVendor == hw::kVendorAti) {
    auto tool = ctx.VendorTool();
    saved = RunAtiSave(tool, *target);
  } else if (ctx.state.cardVendor == hw::kVendorNvidia) {
    std::vector<std::uint8_t> image;
    ctx.state.lastEepromResult = eeprom::SaveRomToFile(ctx.eeprom, 0, *target, &image);
    saved = ctx.state.lastEepromResult == eeprom::kSaveOk;
    if (saved)
      AnnounceKeptCopy(ctx.seams.files, ui, ui::KeptCopy::Kind::Saved, *target, image);
    ui.SkinnedMessage(saved ? kSaveCompletedText : kSaveFailedText);
  }
  ui.SetCommandButtonsEnabled(true);
  ui.SetStatus(ui::kStatusReady);
  RecordSave(ctx, *target, saved);
  return saved;
}

}  // namespace rz::commands
