// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/BiosFileValidation.h"

#include <memory>
#include <new>
#include <span>

#include "base/Paths.h"
#include "bios/BiosFile.h"
#include "bios/BiosFileChecks.h"
#include "bios/ImageLayout.h"
#include "bios/PackageExtract.h"

namespace rz::bios {
namespace {

void SystemError(ui::Ui& ui, const char* text) {
  ui.MessageBox("Error", text, ui::Buttons::Ok, ui::Icon::Error);
}

// Extracts a package into temp.rom; `path` becomes temp.rom's path when the file is a package.
// nullopt when validation goes on, else the failure that was shown.
std::optional<ValidationOutcome> Extract(ValidationContext& ctx, std::string& path) {
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                             std::uint8_t[kPackageImageBufferSize]());
  if (!buffer) {
    SystemError(ctx.ui, kMemoryAllocFailText);
    return ValidationOutcome::AllocFailed;
  }
  auto source = OpenBiosFile(ctx.files, path);
  if (!source) {
    SystemError(ctx.ui, kOpenRomFailText);
    return ValidationOutcome::OpenFailed;
  }
  const std::string tempPath = ExtractedImagePath(ctx.system);
  auto out = tempPath.empty() ? nullptr : ctx.files.OpenWrite(tempPath);
  if (!out) {
    SystemError(ctx.ui, kExtractFailText);
    return ValidationOutcome::ExtractFailed;
  }
  const ExtractResult r = ExtractMatchingImages(
      *source, *out, ctx.cardNumber, std::span(buffer.get(), kPackageImageBufferSize));
  source->Close();
  const bool closed = out->Close();
  if (r == ExtractResult::WriteFailed || (r == ExtractResult::Extracted && !closed)) {
    SystemError(ctx.ui, kExtractFailText);
    return ValidationOutcome::ExtractFailed;
  }
  if (r == ExtractResult::Extracted) path = tempPath;
  return std::nullopt;
}

}  // namespace

std::string ExtractedImagePath(platform::System& system) {
  std::string dir = system.ScratchDirectory();
  if (dir.empty()) return {};
  if (dir.back() != kPathSeparator) dir += kPathSeparator;
  return dir + kExtractedImageName;
}

std::optional<ValidationOutcome> CheckImageChecksum(platform::FileSystem& files, ui::Ui& ui,
                                                    const std::string& path) {
  std::uint8_t sum = 0;
  switch (ImageChecksum(files, path, sum)) {
    case ChecksumStatus::OpenFailed:
      ui.ShowMessage(path + kOpenFailSuffix);
      return ValidationOutcome::ChecksumOpenFailed;
    case ChecksumStatus::NoImage:
    case ChecksumStatus::Truncated:
      ui.ShowMessage(kChecksumErrorText);
      return ValidationOutcome::ChecksumBad;
    case ChecksumStatus::Summed:
      break;
  }
  if (sum == 0) return std::nullopt;
  ui.ShowMessage(kChecksumErrorText);
  return ValidationOutcome::ChecksumBad;
}

ValidationOutcome ValidateBiosFile(ValidationContext& ctx, const std::string& chosenPath,
                                   const FlashStep& flashStep) {
  std::string path = chosenPath;
  if (const auto failed = Extract(ctx, path)) return *failed;

  if (!CheckBiosId(ctx.files, path, ctx.cardIds, ctx.cardSubsystemIds)) {
    ctx.ui.SkinnedMessage(kBiosIdMismatchText);
    return ValidationOutcome::IdMismatch;
  }
  if (!CheckBiosVersion(ctx.files, path, ctx.card, ctx.modelText, ctx.versionCheckResult) &&
      (!ctx.cardImageIntact || ctx.cardImageIntact())) {
    const VersionCheckResult v = ctx.versionCheckResult;
    ctx.ui.SkinnedMessage(v == file_check::kSame        ? kVersionSameText
                          : v == file_check::kMalformed ? kVersionErrorText
                                                        : kVersionMismatchText);
    return ValidationOutcome::VersionRefused;
  }
  if (const auto failed = CheckImageChecksum(ctx.files, ctx.ui, path)) return *failed;

  ctx.ui.SkinnedMessage(kBlankScreenText);
  ctx.ui.ProcessEvents();
  ctx.system.Sleep(kBlankWarningPauseMs);
  ctx.ui.SetStatus(ui::kStatusBusy);
  ctx.system.SetCurrentDirectory(ctx.startDirectory);
  if (flashStep) flashStep(path);
  return ValidationOutcome::HandedOver;
}

}  // namespace rz::bios
