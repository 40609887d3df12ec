// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecoveryOffer.h"

#include "app/AdapterChoice.h"
#include "app/Detection.h"
#include "app/Program.h"
#include "commands/AdapterListing.h"
#include "commands/FlashCommand.h"
#include "commands/RecoverCommand.h"
#include "config/AsicTable.h"
#include "hw/RecoveryScan.h"

namespace rz::app {

std::string RecoveryOffer(const hw::PciAdapter& adapter) {
  return kRecoveryOfferStart + AdapterSummary(adapter) + kRecoveryOfferEnd;
}

bool DetectCardOfferingRecovery(Program& p) {
  hw::ScanDisplayAdapters(p.io, p.adapters);
  if (p.adapters.count > 0) return DetectScannedCard(p);
  // RZFLASH.CFG is read quietly here: a missing file is told by the detection that follows.
  config::AsicTable table;
  config::ReadAsicTable(table, p.programFolder, p.Seams().files);
  hw::AdapterList needing;
  hw::ScanAdaptersNeedingRecovery(p.io, commands::NvidiaChipsOf(table), needing);
  if (needing.count == 0) return DetectScannedCard(p);
  auto& ui = p.GetUi();
  const hw::PciAdapter card = needing.adapters[0];
  if (!ui.SkinnedQuestion(RecoveryOffer(card))) return DetectScannedCard(p);
  const auto file = ui.OpenFileDialog(commands::kOpenDialogTitle, p.dialogFolder);
  if (!file) return DetectScannedCard(p);
  p.adapters = needing;
  SetCardVendor(p);
  if (!DetectRecoveringCard(p)) return false;
  auto ctx = p.Commands();
  commands::RecoverCard(ctx, *file, AdapterSummary(card));
  return true;
}

}  // namespace rz::app
