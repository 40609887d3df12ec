// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/HistoryNote.h"

#include <array>

#include "base/Sha256.h"
#include "bios/ImageVersion.h"
#include "commands/EepromLabels.h"
#include "commands/HistoryFile.h"
#include "eeprom/FlashJob.h"
#include "hw/PciConfig.h"

namespace rz::commands {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The version a BIOS file carries, as the labels show it; empty when it carries none.
std::string FileVersion(platform::FileSystem& files, const std::string& path) {
  bios::ModelText model;
  bios::CardBiosIdentity identity;
  if (!bios::ReadImageVersion(files, path, model, identity)) return {};
  return identity.BiosInfoText;
}

std::string FlashJobReason(std::uint32_t result) {
  switch (result) {
    case eeprom::kFlashFileOrAccess: return "the file or the EEPROM could not be opened";
    case eeprom::kFlashNoWindow: return "no supported EEPROM was found";
    case eeprom::kFlashWrongImage: return "the image does not belong to this card";
    case eeprom::kFlashOtherBoard: return "the image belongs to another board";
    case eeprom::kFlashNoBackup: return "the current BIOS could not be backed up";
    case eeprom::kFlashWriteProtected: return "the EEPROM is write-protected";
    case eeprom::kFlashUnstableRead: return "the EEPROM does not read the same twice";
    case eeprom::kFlashRestored:
      return "programming or verification failed; the previous BIOS was written back";
    default: return "programming or verification failed (result " + std::to_string(result) + ")";
  }
}

}  // namespace

std::string FileSha256(platform::FileSystem& files, const std::string& path) {
  auto in = files.OpenRead(path);
  if (!in) return {};
  Sha256 sha;
  std::array<std::uint8_t, 0x10000> block{};
  for (std::size_t n; (n = in->Read(block.data(), block.size())) > 0;)
    sha.Add(std::span<const std::uint8_t>(block.data(), n));
  return Sha256::Hex(sha.Finish());
}

HistoryRecord CardRecord(CommandContext& ctx, HistoryAction action) {
  const hw::PciAdapter a = ctx.Adapter0();
  HistoryRecord r;
  r.time = IsoLocalTime(ctx.seams.system.Now());
  r.action = action;
  if (ctx.eeprom.adapters.count > 0) {
    r.bus = BusText(a.bus, a.device);
    r.ids = IdPairText(a.VendorId(), a.DeviceId());
    r.subsystem = IdPairText(a.SubsystemVendorId(), a.SubsystemId());
  }
  if (ctx.state.cardVendor == hw::kVendorNvidia)
    r.chip = Trimmed(EepromNameText(ctx.state.eepromIdentity));
  r.oldVersion = ctx.state.card.BiosInfoText;
  return r;
}

bool WriteHistory(CommandContext& ctx, const HistoryRecord& record) {
  const auto why = AppendHistory(ctx.seams.files, ctx.keepFolder, record);
  if (why) ctx.ui.Notice(kHistoryNotWrittenStart + *why);
  return !why;
}

void RecordSave(CommandContext& ctx, const std::string& target, bool saved) {
  if (ctx.state.cardVendor != hw::kVendorNvidia && ctx.state.cardVendor != hw::kVendorAti) return;
  HistoryRecord r = CardRecord(ctx, HistoryAction::Save);
  r.backup = target;
  r.ok = saved;
  if (saved)
    r.oldSha256 = FileSha256(ctx.seams.files, target);
  else
    r.reason = ctx.state.cardVendor == hw::kVendorNvidia
                   ? "the BIOS could not be saved (result " +
                         std::to_string(ctx.state.lastEepromResult) + ")"
                   : "the vendor tool did not save the BIOS";
  WriteHistory(ctx, r);
}

FlashHistoryNote::FlashHistoryNote(CommandContext& ctx, std::string file, const std::string& backup,
                                   HistoryAction action)
    : ctx_(ctx), file_(std::move(file)), backup_(backup), action_(action) {
  oldVersion_ = ctx.state.card.BiosInfoText;
  if (ctx.state.cardVendor == hw::kVendorNvidia)
    chip_ = Trimmed(EepromNameText(ctx.state.eepromIdentity));
}

FlashHistoryNote::FlashHistoryNote(CommandContext& ctx, std::string file)
    : FlashHistoryNote(ctx, std::move(file), ownBackup_) {}

std::string FlashHistoryNote::FailureReason() const {
  if (ctx_.state.cardVendor == hw::kVendorAti)
    return backup_.empty() ? "refused before the card was touched"
                           : "the vendor tool did not complete the flash";
  if (ctx_.state.lastEepromResult != eeprom::kFlashOk)
    return FlashJobReason(ctx_.state.lastEepromResult);
  return "the new BIOS could not be read back";
}

FlashHistoryNote::~FlashHistoryNote() {
  HistoryRecord r = CardRecord(ctx_, action_);
  r.oldVersion = oldVersion_;
  r.chip = chip_;
  r.file = file_;
  r.backup = backup_;
  r.oldSha256 = backup_.empty() ? std::string() : FileSha256(ctx_.seams.files, backup_);
  r.newSha256 = FileSha256(ctx_.seams.files, file_);
  // The programmed road reads the new version from the card itself after a flash that completed.
  r.newVersion = completed_ && ctx_.state.cardVendor == hw::kVendorNvidia
                     ? ctx_.state.card.BiosInfoText
                     : FileVersion(ctx_.seams.files, file_);
  r.ok = completed_;
  if (!completed_) r.reason = FailureReason();
  WriteHistory(ctx_, r);
  if (!restore_) return;
  // The automatic restore has a line of its own: what went back onto the chip, and whether the
  // read-back found it there.
  HistoryRecord back = r;
  back.action = HistoryAction::Restore;
  back.file = backup_;
  back.oldVersion = r.newVersion;
  back.newVersion = oldVersion_;
  back.oldSha256.clear();  // what the failed write left on the chip is not known
  back.newSha256 = r.oldSha256;
  back.ok = *restore_;
  back.reason = *restore_ ? std::string() : "the previous BIOS could not be written back and verified";
  WriteHistory(ctx_, back);
}

}  // namespace rz::commands
