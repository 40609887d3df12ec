#include "commands/SaveCommand.h"

#include "eeprom/ReadBack.h"
#include "hw/PciConfig.h"

namespace rz::commands {

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
  if (ctx.state.cardVendor == hw::kVendorAti) {
    auto tool = ctx.VendorTool();
    saved = RunAtiSave(tool, *target);
  } else if (ctx.state.cardVendor == hw::kVendorNvidia) {
    ctx.state.lastEepromResult = eeprom::SaveRomToFile(ctx.eeprom, 0, *target);
    saved = ctx.state.lastEepromResult == eeprom::kSaveOk;
    ui.SkinnedMessage(saved ? kSaveCompletedText : kSaveFailedText);
  }
  ui.SetCommandButtonsEnabled(true);
  ui.SetStatus(ui::kStatusReady);
  return saved;
}

}  // namespace rz::commands
