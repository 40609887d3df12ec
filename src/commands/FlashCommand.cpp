// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/FlashCommand.h"

#include "base/Paths.h"
#include "bios/AtiImageCheck.h"
#include "bios/BiosFile.h"
#include "bios/BiosFileValidation.h"
#include "bios/BiosIdentity.h"
#include "commands/BackupChecksum.h"
#include "commands/EepromLabels.h"
#include "commands/HistoryNote.h"
#include "commands/Restart.h"
#include "commands/RestoreHint.h"
#include "commands/SafetyBackup.h"
#include "commands/SaveCommand.h"
#include "commands/StockBios.h"
#include "eeprom/CardImage.h"
#include "eeprom/FlashJob.h"
#include "eeprom/Identify.h"
#include "eeprom/Signature.h"
#include "eeprom/StableRead.h"
#include "eeprom/WriteProtection.h"
#include "hw/PciConfig.h"

namespace rz::commands {

namespace {

// Status text and message of a failed flash job, by its result code; empty: the job showed its own.
const char* FlashFailureText(std::uint32_t result) {
  switch (result) {
    case eeprom::kFlashFileOrAccess: return "";
    case eeprom::kFlashNoWindow: return "Rom already programmed";
    case eeprom::kFlashWrongImage: return "ASIC DeviceID does not match with BIOS file !!";
    case eeprom::kFlashOtherBoard: return "The VGA BIOS file does not match with VGA card !!";
    case eeprom::kFlashWriteProtected: return eeprom::kWriteProtectedText;
    default: return "Fail !!";
  }
}

const char* AtiCheckFailureText(bios::VersionCheckResult r) {
  switch (r) {
    case bios::ati_check::kOtherCard: return "The BIOS ID not match!!!";
    case bios::ati_check::kNotCompatible: return "The BIOS Version not match!!!";
    case bios::ati_check::kMalformed: return "The BIOS Version Error!!!";
    case bios::ati_check::kSame: return "The BIOS Version is the same!!!";
    default: return kBinFileMismatchText;
  }
}

bool FlashAtiCard(CommandContext& ctx, const std::string& path) {
  auto& ui = ctx.ui;
  auto& state = ctx.state;
  auto tool = ctx.VendorTool();
  FlashHistoryNote history(ctx, path);  // written on every way out
  state.vendorTool.atiImageFile = path;
  state.vendorTool.atiToolArgs = kAtiFlashArgs;
  auto refuse = [&](const char* text) {
    ui.SkinnedMessage(text);
    ui.SetStatus(ui::kStatusReady);
    return false;
  };
  // The tool programs the whole file: one that cannot hold a BIOS is not handed to it.
  const std::int64_t size = ctx.seams.files.Size(path);
  if (ctx.seams.files.Kind(path) != platform::PathKind::File || size > bios::kBiosFileReadLimit)
    return refuse(kBinFileMismatchText);
  const auto adapter0 = ctx.Adapter0();
  bios::AtiCheckContext check{ctx.seams.files,      adapter0.ids,
                              adapter0.subsystemIds, state.card,
                              ctx.eeprom.modelText,  state.versionCheckResult,
                              state.cardImageIntact};
  if (!bios::CheckAtiImage(check, path)) return refuse(AtiCheckFailureText(state.versionCheckResult));
  if (bios::CheckImageChecksum(ctx.seams.files, ui, path)) {
    ui.SetStatus(ui::kStatusReady);
    return false;
  }
  if (!PrepareAtiFlash(tool)) {
    ui.SetStatus(ui::kStatusReady);
    return false;
  }
  // What the tool is handed, kept to compare the card with after the flash.
  std::vector<std::uint8_t> flashed;
  if (!ReadExchangeFile(tool, kAtiFlashFile, flashed)) {
    RemoveExchangeFile(tool, kAtiFlashFile);
    ui.SkinnedMessage(kAtiFlashFailedText);
    ui.SetStatus(ui::kStatusReady);
    return false;
  }
  ui.SkinnedMessage(kBlankScreenWarning);
  ui.ProcessEvents();
  ctx.seams.system.Sleep(kAfterWarningPauseMs);
  // The card's current BIOS, saved through the tool, is kept before the tool may program it.
  std::vector<std::uint8_t> current;
  const std::string backupPath =
      ReadCardThroughTool(tool, kAtiSaveFile, kAtiSaveArgs, current, ui::Phase::BackingUp)
          ? WriteSafetyBackup(ctx.seams.files, ctx.seams.system, ctx.keepFolder,
                              state.card.BackupFileName, current)
          : std::string();
  history.Backup(backupPath);
  if (backupPath.empty()) {
    RemoveExchangeFile(tool, kAtiFlashFile);
    ui.SkinnedMessage(kBackupFailedText);
    ui.SetStatus(ui::kStatusReady);
    return false;
  }
  AnnounceKeptCopy(ctx.seams.files, ui, ui::KeptCopy::Kind::SafetyBackup, backupPath, current);
  // While the tool programs the card and the card is read back, a request to stop waits.
  platform::InterruptHoldGuard hold(ctx.seams.interrupts);
  const bool completed = RunAtiFlash(tool, [&] { return VerifyThroughTool(tool, flashed); });
  // The tool may have left part of an image on the card: it programs the backup at once.
  const bool restored = !completed && RestoreThroughTool(tool, backupPath, current);
  hold.Release();
  if (!completed) {
    history.Restored(restored);
    ui.SetStatus(ui::kStatusReady);
    if (restored) {
      ui.SkinnedMessage(RestoredText(backupPath));
      return false;
    }
    // Whatever the tool left on the card may be part of an image: a retry must not be refused
    // as the same version.
    state.cardImageIntact = false;
    ui.SkinnedMessage(RestoreFailedText(RestoreHint(ctx.seams.files, ctx.keepFolder, backupPath,
                                                    [&](const std::string& p) {
                                                      return AtiImageOfCard(ctx.seams.files, p,
                                                                            adapter0.ids,
                                                                            adapter0.subsystemIds);
                                                    })));
    return false;
  }
  if (!platform::InterruptHeld(ctx.seams.interrupts)) OfferRestart(ui, ctx.seams.shutdown);
  history.Completed();
  return true;
}

}  // namespace

// A safety backup this program made holds a BIOS the card had: taking it back is never refused
// as another version or another board's image. (A power cut can leave a half-written BIOS whose
// checksum happens to hold; its version and card number would then refuse the very backup the
// restore hint named.)
bool IsOwnBackup(const CommandContext& ctx, const std::string& path) {
  return FolderOf(path) == ctx.keepFolder + kBackupFolderName + kPathSeparator &&
         ReadBackupMoment(FileNameOf(path)).has_value();
}

bool FlashStep(CommandContext& ctx, const std::string& flashPath, HistoryAction action) {
  auto& ui = ctx.ui;
  auto& state = ctx.state;
  // The chip's contents are kept in the program's keep folder before the job touches the chip.
  std::string backupPath;
  FlashHistoryNote history(ctx, flashPath, backupPath, action);  // written on every way out
  const eeprom::ChipBackup keep = [&](std::span<const std::uint8_t> contents) {
    backupPath = WriteSafetyBackup(ctx.seams.files, ctx.seams.system, ctx.keepFolder,
                                   state.card.BackupFileName, contents);
    if (backupPath.empty()) return false;
    AnnounceKeptCopy(ctx.seams.files, ui, ui::KeptCopy::Kind::SafetyBackup, backupPath, contents);
    return true;
  };
  // A driver request that fails at the end of a good job (the window's unmap) or in the reads
  // below was shown as a failure: the command then ends as a failed read-back, not as a success.
  const hw::FailureWatch readBack(ctx.eeprom.io);
  const std::uint32_t result =
      eeprom::RunFlashJob(ctx.eeprom, state.flashInProgress, flashPath,
                          state.flashMode | (IsOwnBackup(ctx, flashPath) || action == HistoryAction::Recover
                                                 ? eeprom::kFlashModeSkipImageCheck
                                                 : 0u),
                          keep);
  state.lastEepromResult = result;
  ++state.flashInProgress;
  if (result == eeprom::kFlashNoBackup || result == eeprom::kFlashUnstableRead) {
    ui.SetStatus(ui::kStatusReady);
    ui.SkinnedMessage(result == eeprom::kFlashNoBackup ? kBackupFailedText
                                                       : eeprom::kUnstableReadText);
    return false;
  }
  if (result == eeprom::kFlashRestored) {
    // The card holds its previous BIOS again, verified: the identity the labels show stands.
    ui.SetStatus("Fail !!");
    ui.SkinnedMessage(RestoredText(backupPath));
    history.Restored(true);
    return false;
  }
  if (result != 0) {
    const std::string text = FlashFailureText(result);
    if (text.empty()) {
      ui.SetStatus(ui::kStatusReady);
    } else {
      ui.SetStatus(text);
      ui.ShowMessage(text);
    }
    // Once the backup was made the job went on to the chip: say where the old BIOS is. (After
    // the backup, a file-or-access result only comes from closing the file once the chip was
    // verified: the card holds the new image then.)
    if (!backupPath.empty() && result != eeprom::kFlashFileOrAccess) {
      const hw::PciAdapter adapter0 = ctx.Adapter0();
      // The job wrote the kept contents back and that failed too.
      history.Restored(false);
      ui.SkinnedMessage(RestoreFailedText(RestoreHint(ctx.seams.files, ctx.keepFolder, backupPath,
                                                      [&](const std::string& p) {
                                                        return ProgrammedImageOfCard(
                                                            ctx.seams.files, p, adapter0.ids,
                                                            adapter0.subsystemIds);
                                                      })));
    }
    return false;
  }

  // The card's new identity, read from the card itself. A driver request that failed (its
  // message was shown) leaves the identity unknown: the labels are not left showing the old BIOS
  // as if it were the new one.
  // The label shows the new version whatever kind of BIOS carries it: a block's version word,
  // else the version characters of a model text (the same forms as at detection).
  const bios::SignatureBlock* block = nullptr;
  if (eeprom::GetSignatureBlock(ctx.eeprom, 0, block) != 0) block = nullptr;
  std::string versionText;
  if (bios::ReadCardIdentity(block, ctx.eeprom.modelText, state.card, versionText) ==
      bios::IdentitySource::None)
    versionText = bios::BlockInfoText(state.card.CardModelName, state.card.VersionWord);
  eeprom::EepromIdentity identity;
  std::uint32_t imageLength = 0;
  const std::uint32_t info = eeprom::GetEepromInfo(ctx.eeprom, 0, identity, imageLength);
  if (info != 0 || readBack.Failed()) {
    ui.SetLabel(ui::Label::BiosVersion, "");
    ui.SetLabel(ui::Label::EepromName, "");
    ui.SetLabel(ui::Label::EepromSize, "");
    ui.SetStatus("Fail !!");
    ui.SkinnedMessage(kReadBackFailedText);
    return false;
  }
  state.card.BiosInfoText = versionText;
  ui.SetLabel(ui::Label::BiosVersion, versionText);
  ui.SetLabel(ui::Label::EepromName, EepromNameText(identity));
  ui.SetLabel(ui::Label::EepromSize, EepromSizeText(identity, imageLength));
  ui.SetStatus(ui::kStatusReady);
  ui.SkinnedMessage(kFlashCompletedText);
  // A request to stop held during the flash ends the program now: nothing more is asked.
  if (!platform::InterruptHeld(ctx.seams.interrupts)) OfferRestart(ui, ctx.seams.shutdown);
  history.Completed();
  return true;
}

bool MayBeginFlash(CommandContext& ctx) {
  return PassDriverGate(ctx.seams.registry, ctx.seams.system, ctx.driver.osVersion,
                        ctx.Adapter0(), ctx.state.driverGate, ctx.ui) &&
         ctx.state.flashInProgress == 0;
}

FlashOutcome btFlashClick(CommandContext& ctx, StockOffer stock) {
  hw::CommandReporting reporting(ctx.eeprom.io);  // each driver failure message shown once
  auto& ui = ctx.ui;
  auto& state = ctx.state;
  const hw::PciAdapter adapter0 = ctx.Adapter0();
  if (!MayBeginFlash(ctx)) return FlashOutcome::NotStarted;

  std::string path;
  if (HasStockBiosOffer(adapter0.SubsystemId())) {
    std::string offer;
    PickStockBios(ctx.programFolder, adapter0.SubsystemId(), state.card.Version.DigitCount, path,
                  offer);
    const std::string question = kStockOfferPrefix + offer + kStockOfferSuffix;
    bool take = stock == StockOffer::Take;
    if (stock == StockOffer::Ask)
      take = ui.SkinnedQuestion(question);
    else
      ui.AnsweredQuestion(question, take);
    if (!take) {
      const auto chosen = ui.OpenFileDialog(kOpenDialogTitle, ctx.dialogFolder);
      if (!chosen) return FlashOutcome::NotStarted;
      path = *chosen;
    }
  } else {
    if (stock == StockOffer::Take) return FlashOutcome::NotStarted;
    const auto chosen = ui.OpenFileDialog(kOpenDialogTitle, ctx.dialogFolder);
    if (!chosen) return FlashOutcome::NotStarted;
    path = *chosen;
  }

  ui.SetCommandButtonsEnabled(false);
  ui.SetStatus(ui::kStatusBusy);
  bool completed = false;
  if (state.cardVendor == hw::kVendorAti) {
    completed = FlashAtiCard(ctx, path);
  } else {
    const bool ownBackup = IsOwnBackup(ctx, path);
    bios::ValidationContext validation{ctx.seams.files,     ctx.seams.system,
                                       ui,                  adapter0.ids,
                                       adapter0.subsystemIds, state.cardNumber,
                                       state.card,          state.startDirectory[0],
                                       ctx.eeprom.modelText, state.versionCheckResult,
                                       [&] {
                                         return !ownBackup &&
                                                eeprom::CheckCardImage(ctx.eeprom, 0) !=
                                                    eeprom::CardImageState::Damaged;
                                       }};
    bios::ValidateBiosFile(validation, path, [&](const std::string& flashPath) {
      completed = FlashStep(ctx, flashPath);
    });
    ui.SetStatus(ui::kStatusReady);
  }
  state.flashInProgress = 0;
  ui.SetCommandButtonsEnabled(true);
  return completed ? FlashOutcome::Completed : FlashOutcome::Failed;
}

}  // namespace rz::commands
