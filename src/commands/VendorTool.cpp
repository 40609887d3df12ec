// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/VendorTool.h"

#include <algorithm>
#include <array>

#include "base/Paths.h"
#include "base/TextFormat.h"
#include "bios/BiosFile.h"
#include "bios/FlashedImage.h"
#include "eeprom/ReadBack.h"
#include "platform/files/FileReplacement.h"

namespace rz::commands {

namespace {

bool EndedWell(const platform::LaunchResult& r) { return r.started && r.exitCode == 0; }

// Removes an exchange file left from an earlier launch; false when one is there and stays.
bool RemoveStale(platform::FileSystem& files, const std::string& path) {
  if (!files.Exists(path)) return true;
  return files.Remove(path) && !files.Exists(path);
}

std::string InExchange(VendorToolContext& ctx, const char* name) {
  const std::string folder = ExchangeFolder(ctx);
  return folder.empty() ? std::string() : folder + name;
}

enum class CopyResult { Ok, ReadFailed, WriteFailed };

// Copies the whole of `from` into `to`, in blocks.
CopyResult CopyContents(platform::FileSystem& files, const std::string& from, platform::File& to) {
  auto in = files.OpenRead(from);
  if (!in) return CopyResult::ReadFailed;
  std::array<std::uint8_t, 0x10000> block{};
  for (;;) {
    const std::size_t n = in->Read(block.data(), block.size());
    if (n == 0) break;
    if (to.Write(block.data(), n) != n) return CopyResult::WriteFailed;
  }
  return CopyResult::Ok;
}

// Writes the tool's "Save.bin" over the user's target; shows what went wrong, as every save does.
bool ReplaceTarget(VendorToolContext& ctx, platform::FileReplacement& out,
                   const std::string& saved, const std::string& target) {
  switch (CopyContents(ctx.seams.files, saved, *out.Out())) {
    case CopyResult::ReadFailed:
      return false;
    case CopyResult::WriteFailed:
      ctx.ui.MessageBox("ERROR", eeprom::kFileWriteError, ui::Buttons::Ok, ui::Icon::Error);
      return false;
    case CopyResult::Ok:
      break;
  }
  if (out.Commit()) return true;
  ctx.ui.MessageBox("Error", FormatText("Closing file: %s error", target), ui::Buttons::Ok,
                    ui::Icon::None);
  return false;
}

}  // namespace

bool UsesAdapterIndexOne(std::uint16_t subsystemId) {
  return subsystemId == kAdapterIndexOneSubsystemId;
}

std::string AtiToolPathFor(const std::string& programFolder) {
  return programFolder + kAtiToolRelativePath;
}

std::string ExchangeFolder(VendorToolContext& ctx) {
  auto& folder = ctx.fields.exchangeFolder;
  if (folder.empty()) {
    folder = ctx.seams.system.ScratchDirectory();
    if (!folder.empty() && folder.back() != kPathSeparator) folder += kPathSeparator;
  }
  return folder;
}

std::string LongToolRunText(const std::string& args, std::uint64_t waitedMs) {
  const bool programs = args.find("-p ") != std::string::npos;
  return std::string(programs ? "Flashing: " : "Reading the card: ") +
         std::to_string(waitedMs / 60000) + " min - do not turn the computer off";
}

platform::LaunchResult RunFlashTool(VendorToolContext& ctx) {
  if (UsesAdapterIndexOne(ctx.subsystemId)) {
    const auto pos = ctx.fields.atiToolArgs.find(" 0 ");
    if (pos != std::string::npos) ctx.fields.atiToolArgs[pos + 1] = '1';
  }
  const std::string folder = ExchangeFolder(ctx);
  if (folder.empty()) return {};
  bool told = false;
  const std::string args = ctx.fields.atiToolArgs;
  const platform::WaitWatch watch{kToolWaitReportMs, [&](std::uint64_t waitedMs) {
                                    if (waitedMs < kToolUsualRunMs) return;
                                    ctx.ui.SetStatus(LongToolRunText(args, waitedMs));
                                    told = true;
                                  }};
  const auto result =
      ctx.seams.launcher.RunAndWatch(ctx.fields.atiToolPath, ctx.fields.atiToolArgs, folder, watch);
  if (told) ctx.ui.SetStatus(ui::kStatusBusy);
  return result;
}

void RemoveExchangeFile(VendorToolContext& ctx, const char* name) {
  const std::string path = InExchange(ctx, name);
  if (!path.empty()) ctx.seams.files.Remove(path);
}

bool RunAtiBackup(VendorToolContext& ctx, const std::string& programFolder) {
  ctx.fields.atiToolPath = AtiToolPathFor(programFolder);
  ctx.fields.atiImageFile = InExchange(ctx, kAtiBackupFile);
  ctx.fields.atiToolArgs = kAtiBackupArgs;
  const std::string& backup = ctx.fields.atiImageFile;
  if (backup.empty() || !RemoveStale(ctx.seams.files, backup)) return false;
  const auto result = RunFlashTool(ctx);
  return EndedWell(result) && ctx.seams.files.Exists(backup);
}

bool RunAtiSave(VendorToolContext& ctx, const std::string& target) {
  ctx.fields.atiImageFile = target;
  ctx.fields.atiToolArgs = kAtiSaveArgs;
  bool ok = false;
  {
    platform::FileReplacement out(ctx.seams.files, target);
    const std::string saved = InExchange(ctx, kAtiSaveFile);
    if (!out.Out()) {
      ctx.ui.MessageBox("", FormatText(kCannotOpenFileFormat, target), ui::Buttons::Ok,
                        ui::Icon::None);
    } else if (!saved.empty() && RemoveStale(ctx.seams.files, saved)) {
      ctx.ui.ReportProgress(ui::Phase::Reading, 0, ui::kUnknownTotal);
      const auto result = RunFlashTool(ctx);
      ok = EndedWell(result) && ctx.seams.files.Exists(saved) &&
           ReplaceTarget(ctx, out, saved, target);
      ctx.seams.files.Remove(saved);
    }
  }
  ctx.ui.SkinnedMessage(ok ? kSaveCompletedText : kSaveFailedText);
  ctx.ui.ProcessEvents();
  return ok;
}

bool PrepareAtiFlash(VendorToolContext& ctx) {
  const std::string flash = InExchange(ctx, kAtiFlashFile);
  const bool copied = !flash.empty() && ctx.seams.files.Copy(ctx.fields.atiImageFile, flash);
  ctx.fields.atiToolArgs = kAtiFlashArgs;
  if (!copied) {
    ctx.ui.SkinnedMessage(kAtiFlashFailedText);
    ctx.ui.ProcessEvents();
  }
  return copied;
}

bool ReadCardThroughTool(VendorToolContext& ctx, const char* name, const char* args,
                         std::vector<std::uint8_t>& contents, ui::Phase phase) {
  contents.clear();
  const std::string path = InExchange(ctx, name);
  if (path.empty() || !RemoveStale(ctx.seams.files, path)) return false;
  const std::string savedArgs = ctx.fields.atiToolArgs;
  ctx.fields.atiToolArgs = args;
  ctx.ui.ReportProgress(phase, 0, ui::kUnknownTotal);
  const bool ran = EndedWell(RunFlashTool(ctx));
  ctx.fields.atiToolArgs = savedArgs;
  const bool ok = ran && ReadExchangeFile(ctx, name, contents);
  ctx.seams.files.Remove(path);
  return ok;
}

bool ReadExchangeFile(VendorToolContext& ctx, const char* name,
                      std::vector<std::uint8_t>& contents) {
  contents.clear();
  const std::string path = InExchange(ctx, name);
  return !path.empty() && bios::ReadBiosFile(ctx.seams.files, path, contents) && !contents.empty();
}

bool VerifyThroughTool(VendorToolContext& ctx, std::span<const std::uint8_t> flashed) {
  std::vector<std::uint8_t> card;
  if (!ReadCardThroughTool(ctx, kAtiVerifyFile, kAtiVerifyArgs, card, ui::Phase::Verifying))
    return false;
  const auto image = bios::FlashedImage(flashed);
  return card.size() >= image.size() && std::equal(image.begin(), image.end(), card.begin());
}

bool RunAtiFlash(VendorToolContext& ctx, const std::function<bool()>& verify) {
  ctx.ui.ReportProgress(ui::Phase::Programming, 0, ui::kUnknownTotal);
  bool ok = EndedWell(RunFlashTool(ctx));
  RemoveExchangeFile(ctx, kAtiFlashFile);
  ctx.ui.SetStatus(ui::kStatusReady);
  ctx.ui.ProcessEvents();
  if (ok && verify) ok = verify();
  ctx.ui.SkinnedMessage(ok ? kAtiFlashCompletedText : kAtiFlashFailedText);
  ctx.ui.ProcessEvents();
  return ok;
}

bool RestoreThroughTool(VendorToolContext& ctx, const std::string& backupPath,
                        std::span<const std::uint8_t> contents) {
  const std::string flash = InExchange(ctx, kAtiFlashFile);
  if (flash.empty() || !ctx.seams.files.Copy(backupPath, flash)) return false;
  const std::string savedImage = ctx.fields.atiImageFile;
  ctx.fields.atiImageFile = backupPath;
  ctx.fields.atiToolArgs = kAtiFlashArgs;
  ctx.ui.ReportProgress(ui::Phase::Restoring, 0, ui::kUnknownTotal);
  const bool ran = EndedWell(RunFlashTool(ctx));
  RemoveExchangeFile(ctx, kAtiFlashFile);
  ctx.fields.atiImageFile = savedImage;
  return ran && VerifyThroughTool(ctx, contents);
}

}  // namespace rz::commands
