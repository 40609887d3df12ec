// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/ImageVersion.h"

#include <array>

#include "bios/BiosFile.h"
#include "bios/ByteScanner.h"

namespace rz::bios {

bool ReadImageVersion(platform::FileSystem& files, const std::string& imageFile,
                      ModelText& modelText, CardBiosIdentity& identity) {
  auto file = OpenBiosFile(files, imageFile);
  if (!file) return false;
  bool result = false;
  if (ScanForSignatures(*file, modelText)) {
    std::array<std::uint8_t, kBlockHeadSize> head{};
    if (file->Seek(-static_cast<std::int64_t>(kBlockSignature.size()), platform::SeekOrigin::Current))
      file->Read(head.data(), head.size());
    ParseSignatureBlock(head, identity);
    result = true;
  } else if (modelText.found) {
    ParseModelVersion(modelText.Text(), identity.CardModelName, identity.Version);
    identity.BiosInfoText = RecordInfoText(identity.CardModelName, identity.Version);
    identity.BackupFileName = MakeBackupFileName(identity.CardModelName, identity.VersionWord);
    result = true;
  }
  file->Close();
  return result;
}

std::int64_t GetImageSizeText(platform::FileSystem& files, const std::string& imageFile,
                              std::string& text) {
  auto file = files.OpenRead(imageFile);
  if (!file) return kSizeOpenFailed;
  std::int64_t size = -1;
  if (file->Seek(0, platform::SeekOrigin::End)) size = file->Tell();
  if (size < 0) size = files.Size(imageFile);
  if (size < 0) {
    file->Close();
    return kSizeOpenFailed;
  }
  text = std::to_string(size) + "  Bytes";
  if (!file->Close()) return kSizeCloseFailed;
  return size;
}

}  // namespace rz::bios
