#include "commands/VendorTool.h"

namespace rz::commands {

namespace {

bool EndedWell(const platform::LaunchResult& r) { return r.started && r.exitCode == 0; }

// Removes an exchange file left from an earlier run; false when one is there and stays.
bool RemoveStale(platform::FileSystem& files, const char* name) {
  if (!files.Exists(name)) return true;
  return files.Remove(name) && !files.Exists(name);
}

}  // namespace

bool UsesAdapterIndexOne(std::uint16_t subsystemId) {
  return subsystemId == kAdapterIndexOneSubsystemId;
}

std::string AtiToolPathFor(const std::string& programFolder) {
  return programFolder + kAtiToolRelativePath;
}

platform::LaunchResult RunFlashTool(VendorToolContext& ctx) {
  if (UsesAdapterIndexOne(ctx.subsystemId)) {
    const auto pos = ctx.fields.atiToolArgs.find(" 0 ");
    if (pos != std::string::npos) ctx.fields.atiToolArgs[pos + 1] = '1';
  }
  return ctx.seams.launcher.RunAndWait(ctx.fields.atiToolPath, ctx.fields.atiToolArgs);
}

bool RunAtiBackup(VendorToolContext& ctx, const std::string& programFolder) {
  ctx.fields.atiToolPath = AtiToolPathFor(programFolder);
  ctx.fields.atiImageFile = kAtiBackupFile;
  ctx.fields.atiToolArgs = kAtiBackupArgs;
  if (!RemoveStale(ctx.seams.files, kAtiBackupFile)) return false;
  const auto result = RunFlashTool(ctx);
  return EndedWell(result) && ctx.seams.files.Exists(kAtiBackupFile);
}

bool RunAtiSave(VendorToolContext& ctx, const std::string& target) {
  ctx.fields.atiImageFile = target;
  ctx.fields.atiToolArgs = kAtiSaveArgs;
  bool ok = RemoveStale(ctx.seams.files, kAtiSaveFile);
  if (ok) {
    const auto result = RunFlashTool(ctx);
    ok = EndedWell(result) && ctx.seams.files.Exists(kAtiSaveFile) &&
         ctx.seams.files.Copy(kAtiSaveFile, ctx.fields.atiImageFile);
  }
  ctx.ui.SkinnedMessage(ok ? kSaveCompletedText : kSaveFailedText);
  ctx.ui.ProcessEvents();
  return ok;
}

bool PrepareAtiFlash(VendorToolContext& ctx, const std::string& source) {
  ctx.fields.atiImageFile = source;
  const bool copied = ctx.seams.files.Copy(ctx.fields.atiImageFile, kAtiFlashFile);
  ctx.fields.atiToolArgs = kAtiFlashArgs;
  if (!copied) {
    ctx.ui.SkinnedMessage(kAtiFlashFailedText);
    ctx.ui.ProcessEvents();
  }
  return copied;
}

bool RunAtiFlash(VendorToolContext& ctx) {
  const bool ok = EndedWell(RunFlashTool(ctx));
  ctx.ui.SetStatus(ui::kStatusReady);
  ctx.ui.ProcessEvents();
  ctx.ui.SkinnedMessage(ok ? kAtiFlashCompletedText : kAtiFlashFailedText);
  ctx.ui.ProcessEvents();
  return ok;
}

}  // namespace rz::commands
