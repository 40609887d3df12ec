// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a BIOS file for the checks and the flash: only its first part can matter (the image
// buffer, or a package of eight such images after its header), so nothing beyond is ever read.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bios/ImageLayout.h"
#include "platform/FileSystem.h"
#include "platform/files/LimitedFile.h"

namespace rz::bios {

inline constexpr std::int64_t kBiosFileReadLimit =
    static_cast<std::int64_t>(kPackageImageBufferSize * (kPackageSlotCount + 1));

// The file seen up to kBiosFileReadLimit; null when it cannot be opened (or is no regular file).
inline std::unique_ptr<platform::File> OpenBiosFile(platform::FileSystem& files,
                                                    const std::string& path) {
  auto file = files.OpenRead(path);
  if (!file) return nullptr;
  return std::make_unique<platform::LimitedFile>(std::move(file), kBiosFileReadLimit);
}

// All of the file as OpenBiosFile sees it, in `bytes` (emptied first); false when it cannot be
// opened.
inline bool ReadBiosFile(platform::FileSystem& files, const std::string& path,
                         std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  const auto file = OpenBiosFile(files, path);
  if (!file) return false;
  std::uint8_t chunk[4096];
  for (std::size_t got; (got = file->Read(chunk, sizeof chunk)) > 0;)
    bytes.insert(bytes.end(), chunk, chunk + got);
  return true;
}

}  // namespace rz::bios
