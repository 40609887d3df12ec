#include "eeprom/ReadBack.h"

#include <new>
#include <vector>

#include "base/TextFormat.h"
#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"
#include "platform/files/FileReplacement.h"

namespace rz::eeprom {

namespace {

void ShowError(EepromContext& ctx, const char* text) {
  ctx.ui.MessageBox("ERROR", text, ui::Buttons::Ok, ui::Icon::Error);
}

}  // namespace

bool WriteRomImage(EepromContext& ctx, std::uint8_t chipCode, platform::File& file) {
  std::uint32_t length = 0;
  {
    PromAccessGuard access(ctx);
    if (!GetRomImageSize(ctx, length)) {
      ShowError(ctx, kGettingRomSize);
      return false;
    }
  }
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(length);
  } catch (const std::bad_alloc&) {
    ShowError(ctx, kNoImageMemory);
    return false;
  }
  if (ReadRomBytes(ctx, chipCode, buffer.data(), 0, length) < length) {
    ShowError(ctx, kShortRomRead);
    return false;
  }
  if (file.Write(buffer.data(), length) < length) {
    ShowError(ctx, kFileWriteError);
    return false;
  }
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
                            const std::string& path) {
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
  if (!WriteRomImage(ctx, chipCode, *out.Out()) || watch.Failed()) return kSaveFailed;
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
                            const std::string& path) {
  if (adapterIndex >= ctx.adapters.count) return kBadAdapterIndex;
  const hw::PciAdapter& a = ctx.adapters.adapters[adapterIndex];
  return DumpRomToFile(ctx, a.bus, a.device, path);
}

}  // namespace rz::eeprom
