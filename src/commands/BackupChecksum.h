// SPDX-License-Identifier: GPL-3.0-or-later
// The SHA-256 that a kept copy of a card's BIOS is shown and stored with: a "<file>.sha256" file
// beside the copy, in the form sha256sum writes and checks ("sha256sum -c <file>.sha256").
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/FileSystem.h"
#include "ui/Ui.h"

namespace rz::commands {

inline constexpr const char* kChecksumSuffix = ".sha256";

// One line of sha256sum's output for `fileName`: "<hex>  <name>\n"; a name holding a backslash or
// a line break is escaped as sha256sum escapes it (a backslash in front of the line, "\\" and
// "\n" in the name).
std::string ChecksumLine(const std::string& digestHex, const std::string& fileName);

// Writes ChecksumLine for the file at `path` to "<path>.sha256", whole or not at all (a temporary
// file renamed into place). False when it could not be written; nothing is left behind then, and
// a checksum file of an earlier copy by that name is removed (its digest is no longer true).
bool WriteChecksumFile(platform::FileSystem& files, const std::string& path,
                       const std::string& digestHex);

// The SHA-256 of `bytes`, the copy at `path` holds, stored beside it and told to the Ui. A
// checksum file that cannot be written is told as such and changes nothing else: the copy stands.
ui::KeptCopy AnnounceKeptCopy(platform::FileSystem& files, ui::Ui& ui, ui::KeptCopy::Kind kind,
                              const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace rz::commands
