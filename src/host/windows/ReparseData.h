// SPDX-License-Identifier: GPL-3.0-or-later
// Where a Windows link leads: the data of a symbolic link's or a junction's reparse point, as
// FSCTL_GET_REPARSE_POINT returns it, read into the path it names.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace rz::platform {

inline constexpr std::uint32_t kReparseTagSymlink = 0xA000000C;
inline constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003;  // a junction
inline constexpr std::uint32_t kSymlinkFlagRelative = 1;

struct LinkTarget {
  std::u16string path;    // in the form the other file calls take ("C:\dir\file", "\\server\x")
  bool relative = false;  // to the folder the link lies in
};

// nullopt for other kinds of reparse points (they are no links: the file is where it is) and for
// data that does not hold together.
std::optional<LinkTarget> ParseReparseData(std::span<const std::uint8_t> data);

}  // namespace rz::platform
