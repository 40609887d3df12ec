#include "eeprom/ReadBack.h"

#include <cstdio>
#include <new>
#include <vector>

#include "base/Paths.h"
#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"

namespace rz::eeprom {

namespace {

void ShowError(EepromContext& ctx, const char* text) {
  ctx.ui.MessageBox("ERROR", text, ui::Buttons::Ok, ui::Icon::Error);
}

std::string WithPath(const char* format, const std::string& path) {
  const int n = std::snprintf(nullptr, 0, format, path.c_str());
  std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, path.c_str());
  return text;
}

// A temporary file beside the chosen one; removed unless Commit() moved it over the chosen name.
class TemporaryFile {
 public:
  TemporaryFile(platform::FileSystem& files, const std::string& target) : files_(files) {
    file_ = files_.CreateUnique(FolderOf(target), FileNameOf(target) + ".", path_);
  }
  ~TemporaryFile() {
    if (file_) file_->Close();
    if (!path_.empty()) files_.Remove(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  platform::File* File() { return file_.get(); }
  // Closes the file; false when closing reports an error.
  bool Close() {
    const bool ok = file_->Close();
    file_.reset();
    return ok;
  }
  // Moves the closed file over `target`; on success nothing is left to remove.
  bool Commit(const std::string& target) {
    if (!files_.Rename(path_, target)) return false;
    path_.clear();
    return true;
  }

 private:
  platform::FileSystem& files_;
  std::unique_ptr<platform::File> file_;
  std::string path_;
};

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

std::uint32_t DumpRomToFile(EepromContext& ctx, std::uint8_t bus, std::uint8_t device,
                            const std::string& path) {
  // A driver request of the save that failed keeps the chosen file as it was.
  const hw::FailureWatch watch(ctx.io);
  RomWindowGuard window(ctx);
  std::uint16_t deviceId = 0;
  std::int16_t asicIndex = 0;
  if (!OpenRomWindow(ctx, bus, device, deviceId, asicIndex)) return 5;

  TemporaryFile temp(ctx.files, path);
  if (!temp.File()) {
    ctx.ui.MessageBox("", WithPath("Cannot open file: %s.", path), ui::Buttons::Ok,
                      ui::Icon::None);
    return 1;
  }
  std::uint8_t chipCode = 0;
  std::uint16_t idWord = 0;
  std::uint32_t chipSize = 0;
  if (!IdentifyEeprom(ctx, bus, device, chipCode, idWord, chipSize)) return 5;
  if (chipCode == 0) {
    ctx.ui.MessageBox("", kEepromNotFound, ui::Buttons::Ok, ui::Icon::None);
    return 1;
  }
  if (!WriteRomImage(ctx, chipCode, *temp.File()) || watch.Failed()) return 5;
  // A file that could not be closed cleanly, or not be put in place, never replaces the chosen
  // one; both are reported as a failed close of the chosen file.
  if (!temp.Close() || !temp.Commit(path)) {
    ctx.ui.MessageBox("Error", WithPath("Closing file: %s error", path), ui::Buttons::Ok,
                      ui::Icon::None);
    return 5;
  }
  return 0;
}

std::uint32_t SaveRomToFile(EepromContext& ctx, std::uint32_t adapterIndex,
                            const std::string& path) {
  if (adapterIndex >= ctx.adapters.count) return kBadAdapterIndex;
  const hw::PciAdapter& a = ctx.adapters.adapters[adapterIndex];
  return DumpRomToFile(ctx, a.bus, a.device, path);
}

}  // namespace rz::eeprom
