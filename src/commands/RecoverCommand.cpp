// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/RecoverCommand.h"

#include <cstdio>

#include "base/Paths.h"
#include "bios/FileInspection.h"
#include "commands/DriverGate.h"
#include "commands/History.h"
#include "hw/PciConfig.h"

namespace rz::commands {

namespace {

std::string Hex4(std::uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(v));
  return text;
}

std::optional<std::string> ImageProblem(const bios::FileInspection& f, std::uint16_t deviceId) {
  if (f.kind == bios::FileInspection::Kind::Package)
    return std::string("it is a package of several images; flash a plain image of this card");
  if (f.chain.images.empty()) return std::string("it holds no BIOS image (no 55 AA signature)");
  const bios::RomImage& image = f.chain.images.front();
  if (!image.whole) return std::string("the file ends before its image does");
  if (!image.pciData) return std::string("its image has no PCI data structure");
  if (image.pciData->vendorId != hw::kVendorNvidia)
    return "its image is for PCI vendor " + Hex4(image.pciData->vendorId) + ", not NVIDIA";
  if (image.pciData->deviceId != deviceId)
    return "its image is for device " + Hex4(image.pciData->deviceId) + ", the card is " +
           Hex4(deviceId);
  if (image.checksumOk.has_value() && !*image.checksumOk)
    return std::string("its checksum does not add up: the image is damaged");
  if (!image.checksumOk.has_value() && image.IsLegacy())
    return std::string("its image is shorter than its header says");
  return std::nullopt;
}

}  // namespace

RecoveryImage CheckRecoveryImage(platform::FileSystem& files, const std::string& path,
                                 std::uint16_t deviceId) {
  RecoveryImage r;
  std::string why;
  const auto inspection = bios::InspectFile(files, path, why);
  if (!inspection) {
    r.problem = "it cannot be read: " + why;
    return r;
  }
  r.problem = ImageProblem(*inspection, deviceId);
  if (!r.problem && !inspection->marks.empty()) r.version = inspection->marks.front().versionText;
  return r;
}

std::string RecoveryQuestion(const std::string& card, const std::string& path,
                             const std::string& version) {
  return "Flash " + FileNameOf(path) + " (BIOS version " + (version.empty() ? "unknown" : version) +
         ") onto the card that needs recovery, " + card + "?";
}

FlashOutcome RecoverCard(CommandContext& ctx, const std::string& path, const std::string& card) {
  hw::CommandReporting reporting(ctx.eeprom.io);  // each driver failure message shown once
  auto& ui = ctx.ui;
  auto& state = ctx.state;
  const hw::PciAdapter adapter0 = ctx.Adapter0();
  if (!MayBeginFlash(ctx)) return FlashOutcome::NotStarted;
  const RecoveryImage image = CheckRecoveryImage(ctx.seams.files, path, adapter0.DeviceId());
  if (image.problem) {
    ui.SkinnedMessage("The file " + FileNameOf(path) + " cannot recover this card: " +
                      *image.problem + ".");
    return FlashOutcome::NotStarted;
  }
  if (!ui.SkinnedQuestion(RecoveryQuestion(card, path, image.version)))
    return FlashOutcome::NotStarted;
  ui.SetCommandButtonsEnabled(false);
  ui.SetStatus(ui::kStatusBusy);
  const bool completed = FlashStep(ctx, path, HistoryAction::Recover);
  state.flashInProgress = 0;
  ui.SetCommandButtonsEnabled(true);
  return completed ? FlashOutcome::Completed : FlashOutcome::Failed;
}

}  // namespace rz::commands
