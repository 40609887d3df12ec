// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/FlashJob.h"

#include <algorithm>
#include <array>
#include <new>
#include <string_view>
#include <vector>

#include "bios/BiosFile.h"
#include "bios/ImageLayout.h"
#include "bios/SignatureData.h"
#include "bios/UnwrittenNote.h"
#include "eeprom/CardImage.h"
#include "eeprom/ChipCatalogue.h"
#include "eeprom/ChipRestore.h"
#include "eeprom/Identify.h"
#include "eeprom/Programming.h"
#include "eeprom/ReadBack.h"
#include "eeprom/RomAccess.h"
#include "eeprom/Signature.h"
#include "eeprom/StableRead.h"
#include "eeprom/WriteProtection.h"

namespace rz::eeprom {

namespace {

void ShowError(EepromContext& ctx, const char* text) {
  ctx.ui.MessageBox("ERROR", text, ui::Buttons::Ok, ui::Icon::Error);
}

bool ReadAt(platform::File& file, std::uint32_t offset, std::uint8_t* out, std::uint32_t count) {
  return file.Seek(offset, platform::SeekOrigin::Begin) && file.Read(out, count) == count;
}

// The flash job's card number of an image: that of its first (or last) "$RZ" block, kNoCardNumber
// when it has none, the value a card without a block reads as. (The file validation before the
// flash counts an image without a block as card number 0: bios::ImageCardNumber.)
std::uint8_t JobCardNumber(std::span<const std::uint8_t> image, bios::BlockPick pick) {
  return bios::BlockCardNumber(image, pick).value_or(kNoCardNumber);
}

bool ReadPlainImage(std::span<std::uint8_t> destination, std::uint32_t limit,
                    std::uint8_t lengthByte, platform::File& file, std::uint32_t& length) {
  const std::uint32_t want = bios::ImageLength(lengthByte);
  if (want == 0 || want > limit || want > destination.size()) return false;
  if (!ReadAt(file, 0, destination.data(), want)) return false;
  length = want;
  return true;
}

bool ReadPackagedImage(EepromContext& ctx, std::span<std::uint8_t> destination,
                       std::uint32_t limit, platform::File& file, std::uint32_t& length) {
  // A slot the file does not hold wholly reads as empty and, like an empty one, ends the search:
  // slots are filled from the first one on.
  std::array<std::uint8_t, bios::kPackageHeaderSize> header{};
  if (!file.Seek(0, platform::SeekOrigin::Begin)) return false;
  const std::size_t got = file.Read(header.data(), header.size());
  for (const std::uint32_t offset : bios::ReadPackageSlots(bios::Bytes(header.data(), got))) {
    if (offset == 0) return false;
    std::uint8_t head[4];
    if (!ReadAt(file, offset + bios::kImageLengthOffset, head, 4)) return false;
    const std::uint32_t want = bios::ImageLength(head[0]);
    if (want == 0 || want > limit || want > destination.size()) return false;
    std::vector<std::uint8_t> candidate(want);
    if (!ReadAt(file, offset, candidate.data(), want)) return false;
    if (PackagedImageFitsCard(ctx, candidate)) {
      std::copy(candidate.begin(), candidate.end(), destination.begin());
      length = want;
      return true;
    }
  }
  return false;
}

bool IsBlockSignature(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
  const std::string_view mark = bios::kBlockSignature;
  return b0 == static_cast<std::uint8_t>(mark[0]) && b1 == static_cast<std::uint8_t>(mark[1]) &&
         b2 == static_cast<std::uint8_t>(mark[2]);
}

}  // namespace

bool ReadImageFile(EepromContext& ctx, std::uint8_t chipCode, std::span<std::uint8_t> destination,
                   std::uint32_t limit, platform::File& file, std::uint32_t& length) {
  if (chipCode == 0) return false;
  std::uint8_t head[4];
  bool ok = false;
  if (ReadAt(file, 0, head, 4)) {
    const bios::Bytes header(head, sizeof head);
    if (bios::IsPlainImage(header))
      ok = ReadPlainImage(destination, limit, head[bios::kImageLengthOffset], file, length);
    else if (bios::IsPackage(header))
      ok = ReadPackagedImage(ctx, destination, limit, file, length);
  }
  if (!ok) ShowError(ctx, kReadIntoBufferError);
  return ok;
}

bool PackagedImageFitsCard(EepromContext& ctx, std::span<const std::uint8_t> candidate) {
  const std::uint8_t imageCode = JobCardNumber(candidate, bios::BlockPick::First);
  std::uint8_t cardCode = kNoCardNumber;
  {
    const PromAccessGuard access(ctx);
    for (std::uint32_t i = kScanStart; i <= kScanEnd; ++i) {
      if (IsBlockSignature(ReadProm(ctx, i), ReadProm(ctx, i + 1), ReadProm(ctx, i + 2))) {
        cardCode = ReadProm(ctx, i + bios::kBlockCardNumber);
        break;
      }
    }
  }
  return imageCode == cardCode || cardCode == kNoCardNumber;
}

bool ReadImageIds(std::span<const std::uint8_t> image, ImageIds& ids) {
  const auto pcir = bios::ReadPciDataPointer(image);
  if (!pcir) return false;
  const auto pciIds = bios::ReadPciDataIds(image, *pcir);
  const auto subsystem = bios::ReadImageSubsystem(image);
  if (!pciIds || !subsystem) return false;
  ids.vendorId = static_cast<std::uint16_t>(*pciIds);
  ids.deviceId = static_cast<std::uint16_t>(*pciIds >> 16);
  ids.subsystemVendorId = static_cast<std::uint16_t>(*subsystem);
  ids.subsystemId = static_cast<std::uint16_t>(*subsystem >> 16);
  ids.cardNumber = JobCardNumber(image, bios::BlockPick::Last);
  return true;
}

bool CheckImageFitsCard(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t limit,
                        platform::File& file, std::size_t asicIndex, std::uint32_t subsystemIds,
                        std::uint8_t cardNumber) {
  ImageBuffer& buf = ctx.imageBuffer;
  if (buf.length == 0 && !ReadImageFile(ctx, chipCode, buf.bytes, limit, file, buf.length))
    return false;
  ImageIds ids;
  if (!ReadImageIds(std::span<const std::uint8_t>(buf.bytes.data(), buf.length), ids)) return false;
  if (asicIndex >= ctx.asics.entries.size()) return false;
  const config::AsicEntry& asic = ctx.asics.entries[asicIndex];
  if (ids.deviceId != asic.deviceId || ids.vendorId != asic.vendorId) return false;
  if (ids.subsystemVendorId != static_cast<std::uint16_t>(subsystemIds) ||
      ids.subsystemId != static_cast<std::uint16_t>(subsystemIds >> 16))
    return false;
  return ids.cardNumber == cardNumber;
}

bool ProgramFromImage(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t limit,
                      platform::File& file) {
  ImageBuffer& buf = ctx.imageBuffer;
  if (buf.length == 0 && !ReadImageFile(ctx, chipCode, buf.bytes, limit, file, buf.length))
    return false;
  if (ProgramImage(ctx, chipCode, buf.bytes.data(), buf.length) != buf.length) {
    ShowError(ctx, kProgrammingError);
    return false;
  }
  return true;
}

namespace {

// The chip behind the job's open window, as identification found it.
struct JobChip {
  std::uint8_t code = 0;
  std::uint32_t size = 0;
  std::uint32_t limit = 0;  // the most the job writes: never more than the buffer or the chip holds
};

// Closes the job's file on every way out of the job.
struct CloseOnExit {
  std::unique_ptr<platform::File>& f;
  ~CloseOnExit() {
    if (f) f->Close();
  }
};

// Identifies the chip; kFlashOk, or the status that ends the job with its message shown.
std::uint32_t IdentifyJobChip(EepromContext& ctx, const hw::PciAdapter& adapter,
                              const hw::FailureWatch& watch, JobChip& chip) {
  std::uint16_t idWord = 0;
  if (!IdentifyEeprom(ctx, adapter.bus, adapter.device, chip.code, idWord, chip.size) ||
      watch.Failed()) {
    ctx.ui.MessageBox("", kAccessingEepromError, ui::Buttons::Ok, ui::Icon::None);
    return kFlashFileOrAccess;
  }
  if (chip.code == 0) {
    ctx.ui.MessageBox("", kEepromNotFound, ui::Buttons::Ok, ui::Icon::None);
    return kFlashNoWindow;
  }
  chip.limit = std::min(kImageBufferSize, chip.size);
  return kFlashOk;
}

// Whether the image in `file` is one for this card. A card whose own image is damaged (a flash
// stopped part-way) has no card number to go by: its ids still have to match, so that its
// backup, or the BIOS of its board, can be flashed.
bool ImageFitsThisCard(EepromContext& ctx, const hw::PciAdapter& adapter, std::int16_t asicIndex,
                       const JobChip& chip, platform::File& file) {
  const ImageBuffer& buf = ctx.imageBuffer;
  const auto asic = static_cast<std::size_t>(asicIndex);
  bool fits = false;
  {
    PromAccessGuard access(ctx);
    fits = CheckImageFitsCard(ctx, chip.code, chip.limit, file, asic, adapter.subsystemIds,
                              adapter.cardNumber);
  }
  ImageIds ids;
  if (!fits && buf.length > 0 &&
      ReadImageIds(std::span<const std::uint8_t>(buf.bytes.data(), buf.length), ids) &&
      CheckOpenCardImage(ctx, chip.size) == CardImageState::Damaged)
    fits = CheckImageFitsCard(ctx, chip.code, chip.limit, file, asic, adapter.subsystemIds,
                              ids.cardNumber);
  return fits;
}

// A file with more images after the one the job writes (a UEFI image after the legacy one) keeps
// them: the user is told before the chip is touched.
void TellWhatStaysUnwritten(EepromContext& ctx, const std::string& path, std::uint32_t written) {
  std::vector<std::uint8_t> whole;
  if (!bios::ReadBiosFile(ctx.files, path, whole)) return;
  if (const auto note = bios::UnwrittenPartNote(whole, written)) ctx.ui.SkinnedMessage(*note);
}

// Reads the whole part, as its datasheet gives it (every byte the chip erase wipes), until two
// reads agree, and hands it to `backup`; kFlashOk with `contents` kept, or the status that ends the
// job before the chip is touched.
std::uint32_t KeepChipContents(EepromContext& ctx, const JobChip& chip,
                               const hw::FailureWatch& watch, const ChipBackup& backup,
                               std::vector<std::uint8_t>& contents) {
  const StableRead read =
      ReadWholeChipTwice(ctx, chip.code, PartSize(chip.code), contents, ui::Phase::BackingUp);
  if (read == StableRead::Disagreed && !watch.Failed()) return kFlashUnstableRead;
  if (read != StableRead::Agreed || watch.Failed() || !backup(contents)) return kFlashNoBackup;
  return kFlashOk;
}

// Erases, programs and verifies the chip.
bool WriteAndVerify(EepromContext& ctx, const JobChip& chip, platform::File& file,
                    const hw::FailureWatch& watch) {
  if (!EraseChip(ctx, chip.code, false)) return false;
  if (!ProgramFromImage(ctx, chip.code, chip.limit, file)) return false;
  if (!file.Seek(0, platform::SeekOrigin::Begin)) return false;
  std::int64_t firstDifference = -1;
  return VerifyWithFile(ctx, chip.code, file, firstDifference) && !watch.Failed();
}

}  // namespace

std::uint32_t RunFlashJob(EepromContext& ctx, std::uint32_t adapterIndex, const std::string& path,
                          std::uint32_t flashMode, const ChipBackup& backup) {
  ImageBuffer& buf = ctx.imageBuffer;
  buf.length = 0;
  if (adapterIndex >= ctx.adapters.count) return kBadAdapterIndex;
  const hw::PciAdapter& adapter = ctx.adapters.adapters[adapterIndex];
  // A driver request of the job that failed is never followed by a success.
  const hw::FailureWatch watch(ctx.io);

  RomWindowGuard window(ctx);
  std::uint16_t deviceId = 0;
  std::int16_t asicIndex = 0;
  if (!OpenRomWindow(ctx, adapter.bus, adapter.device, deviceId, asicIndex)) {
    ctx.ui.MessageBox("Error", kMapFailed, ui::Buttons::Ok, ui::Icon::None);
    return kFlashNoWindow;
  }
  DetectSpiMode(ctx);

  std::unique_ptr<platform::File> file = bios::OpenBiosFile(ctx.files, path);
  if (!file) {
    ctx.ui.MessageBox("", kCannotOpenFile, ui::Buttons::Ok, ui::Icon::None);
    return kFlashFileOrAccess;
  }
  const CloseOnExit closeOnExit{file};

  JobChip chip;
  if (const std::uint32_t status = IdentifyJobChip(ctx, adapter, watch, chip); status != kFlashOk)
    return status;
  if ((flashMode & kFlashModeSkipImageCheck) == 0 &&
      !ImageFitsThisCard(ctx, adapter, asicIndex, chip, *file))
    return kFlashWrongImage;
  // The image is read and checked before anything on the chip changes.
  if (buf.length == 0 && !ReadImageFile(ctx, chip.code, buf.bytes, chip.limit, *file, buf.length))
    return kFlashFailed;
  TellWhatStaysUnwritten(ctx, path, buf.length);
  if (IsWriteProtected(ctx, chip.code)) return watch.Failed() ? kFlashFailed : kFlashWriteProtected;
  std::vector<std::uint8_t> previous;
  if (backup) {
    if (const std::uint32_t status = KeepChipContents(ctx, chip, watch, backup, previous);
        status != kFlashOk)
      return status;
  }
  {
    // From the erase until the chip is verified, or the previous BIOS is back on it, a request to
    // stop waits for the job to finish.
    platform::InterruptHoldGuard hold(ctx.interrupts);
    if (!WriteAndVerify(ctx, chip, *file, watch)) {
      if (previous.empty()) return kFlashFailed;
      return RestoreChip(ctx, chip.code, previous) ? kFlashRestored : kFlashFailed;
    }
  }

  // The file was only read, and the chip holds its image, verified: a close that reports an error
  // now changes neither, so the flash has succeeded (failing it here told the user nothing and
  // withheld the restart the new BIOS needs).
  file->Close();
  file.reset();
  buf.length = 0;
  return kFlashOk;
}

}  // namespace rz::eeprom
