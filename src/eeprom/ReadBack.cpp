// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/ReadBack.h"

#include <new>
#include <vector>

#include "base/TextFormat.h"
#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"
#include "eeprom/StableRead.h"
#include "platform/files/FileReplacement.h"

namespace rz::eeprom {

namespace {

void ShowError(EepromContext& ctx, const char* text) {
  ctx.ui.MessageBox("ERROR", text, ui::Buttons::Ok, ui::Icon::Error);
}

}  // namespace

bool WriteRomImage(EepromContext& ctx, std::uint8_t chipCode, platform::File& file,
                   std::vector<std::uint8_t>* saved) {
  std::uint32_t length = 0;
  {
    PromAccessGuard access(ctx);
    if (!GetRomImageSize(ctx, length)) {
      ShowError(ctx, kGettingRomSize);
      return false;
    }
  }
  // The image is read until two reads agree: a copy from a chip that reads differently each time
  // is no backup, and the file is then not written at all.
  // A failed driver request ends the reads: its message was shown, and the save fails.
  const hw::FailureWatch watch(ctx.io);
  bool outOfMemory = false;
  std::vector<std::uint8_t> buffer;
  const StableRead read = ReadUntilTwoAgree(
      [&](int n, std::vector<std::uint8_t>& out) {
        try {
          out.resize(length);
        } catch (const std::bad_alloc&) {
          outOfMemory = true;
          return false;
        }
        return ReadRomBytes(ctx, chipCode, out.data(), 0, length,
                            ReadPhase(n, ui::Phase::Reading)) == length &&
               !watch.Failed();
      },
      buffer);
  if (read == StableRead::Disagreed) {
    ShowError(ctx, kUnstableSaveText);
    return false;
  }
  if (read == StableRead::Failed) {
    if (!watch.Failed()) ShowError(ctx, outOfMemory ? kNoImageMemory : kShortRomRead);
    return false;
  }
  if (file.Write(buffer.data(), length) < length) {
    ShowError(ctx, kFileWriteError);
    return false;
  }
  if (saved) *saved = std::move(buffer);
  return true;
}

bool ReadWholeChip(EepromContext& ctx, std::uint8_t chipCode, std::uint32_t size,
                   std::vector<std::uint8_t>& contents, ui::Phase phase) {
  const hw::FailureWatch watch(ctx.io);
  try {
    contents.assign(size, 0xFF);
  } catch (const std::bad_alloc&) {
    ShowError(ctx, kNoImageMemory);
    return false;
  }
  return size > 0 && ReadRomBytes(ctx, chipCode, contents.data(), 0, size, phase) == size &&
         !watch.Failed();
}

std::uint32_t DumpRomToFile(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                            const std::string& path, std::vector<std::uint8_t>* saved) {
  // A driver request of the save that failed keeps the chosen file as it was.
  const hw::FailureWatch watch(ctx.io);
  RomWindowGuard window(ctx);
  std::uint16_t deviceId = 0;
  std::int16_t asicIndex = 0;
  if (!OpenRomWindow(ctx, bus, device, deviceId, asicIndex)) return kSaveFailed;

  platform::FileReplacement out(ctx.files, path);
  if (!out.Out()) {
    ctx.ui.MessageBox("", FormatText(kCannotOpenFileFormat, path), ui::Buttons::Ok,
                      ui::Icon::None);
    return kSaveFileOrNoChip;
  }
  std::uint8_t chipCode = 0;
  std::uint16_t idWord = 0;
  std::uint32_t chipSize = 0;
  if (!IdentifyEeprom(ctx, bus, device, chipCode, idWord, chipSize)) return kSaveFailed;
  if (chipCode == 0) {
    ctx.ui.MessageBox("", kEepromNotFound, ui::Buttons::Ok, ui::Icon::None);
    return kSaveFileOrNoChip;
  }
  if (!WriteRomImage(ctx, chipCode, *out.Out(), saved) || watch.Failed()) return kSaveFailed;
  // The window is closed before the file is put in place: a save whose unmap request failed was
  // told to the user as a failure and must not end as a success.
  window.Close();
  if (watch.Failed()) return kSaveFailed;
  // A file that could not be closed cleanly, or not be put in place, never replaces the chosen
  // one; both are reported as a failed close of the chosen file.
  if (!out.Commit()) {
    ctx.ui.MessageBox("Error", FormatText("Closing file: %s error", path), ui::Buttons::Ok,
                      ui::Icon::None);
    return kSaveFailed;
  }
  return kSaveOk;
}

std::uint32_t SaveRomToFile(EepromContext& ctx, std::uint32_t adapterIndex,
                            const std::string& path, std::vector<std::uint8_t>* saved) {
  if (adapterIndex >= ctx.adapters.count) return kBadAdapterIndex;
  const hw::PciAdapter& a = ctx.adapters.adapters[adapterIndex];
  return DumpRomToFile(ctx, a.bus, a.device, path, saved);
}

}  // namespace rz::eeprom
