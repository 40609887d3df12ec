// SPDX-License-Identifier: GPL-3.0-or-later
// Model and version information from an image file the vendor flash tool wrote (the ATI road):
// the card's identity from "Backup.rom" and the file-size text.
#pragma once
#include <cstdint>
#include <string>

#include "bios/BiosIdentity.h"
#include "bios/SignatureData.h"
#include "platform/FileSystem.h"

namespace rz::bios {

// Scans `imageFile` for a "$RZ" block (ParseSignatureBlock on its first 50 bytes) or, without
// one, a model text (ParseModelVersion into the card's model name and record, then the info text
// and backup name). The found flag of `modelText` is not cleared first. True when either was
// found; false, with nothing changed, when the file cannot be opened.
bool ReadImageVersion(platform::FileSystem& files, const std::string& imageFile,
                      ModelText& modelText, CardBiosIdentity& identity);

inline constexpr std::int64_t kSizeOpenFailed = -1;
inline constexpr std::int64_t kSizeCloseFailed = -2;

// Size of `imageFile` in bytes; `text` becomes "<size>  Bytes" (number, two blanks, "Bytes")
// once the file is open. kSizeOpenFailed / kSizeCloseFailed on failure.
std::int64_t GetImageSizeText(platform::FileSystem& files, const std::string& imageFile,
                              std::string& text);

}  // namespace rz::bios
