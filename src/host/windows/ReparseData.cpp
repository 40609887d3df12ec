// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/windows/ReparseData.h"

#include "base/LittleEndian.h"

namespace rz::platform {

namespace {

// The name at `offset`/`length` (bytes) of the path buffer that starts at `base`.
std::optional<std::u16string> NameAt(std::span<const std::uint8_t> data, std::size_t base,
                                     std::uint16_t offset, std::uint16_t length) {
  if (length % 2 != 0 || base + offset + length > data.size()) return std::nullopt;
  std::u16string name(length / 2, u'\0');
  for (std::size_t i = 0; i < name.size(); ++i)
    name[i] = static_cast<char16_t>(le::Get16(data.data() + base + offset + 2 * i));
  return name;
}

bool StartsWith(const std::u16string& text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && std::u16string_view(text).substr(0, prefix.size()) == prefix;
}

// "\??\C:\x" is "C:\x", "\??\UNC\server\x" is "\\server\x", and "\??\Volume{...}\" keeps the
// form the file calls know, "\\?\Volume{...}\".
std::u16string WithoutNtPrefix(const std::u16string& name) {
  if (!StartsWith(name, u"\\??\\")) return name;
  const std::u16string rest = name.substr(4);
  if (rest.size() >= 3 && rest[1] == u':' && rest[2] == u'\\') return rest;
  if (StartsWith(rest, u"UNC\\")) return u"\\\\" + rest.substr(4);
  return u"\\\\?\\" + rest;
}

}  // namespace

std::optional<LinkTarget> ParseReparseData(std::span<const std::uint8_t> data) {
  std::uint32_t tag = 0;
  if (!le::Read32(data, 0, tag)) return std::nullopt;
  // After the 8-byte header: substitute name offset and length, print name offset and length,
  // then (symbolic links only) 4 bytes of flags, then the path buffer.
  std::uint16_t substituteOffset = 0, substituteLength = 0;
  if (!le::Read16(data, 8, substituteOffset) || !le::Read16(data, 10, substituteLength))
    return std::nullopt;
  std::size_t pathBuffer = 0;
  LinkTarget target;
  if (tag == kReparseTagSymlink) {
    std::uint32_t flags = 0;
    if (!le::Read32(data, 16, flags)) return std::nullopt;
    target.relative = (flags & kSymlinkFlagRelative) != 0;
    pathBuffer = 20;
  } else if (tag == kReparseTagMountPoint) {
    pathBuffer = 16;
  } else {
    return std::nullopt;
  }
  const auto name = NameAt(data, pathBuffer, substituteOffset, substituteLength);
  if (!name || name->empty()) return std::nullopt;
  target.path = target.relative ? *name : WithoutNtPrefix(*name);
  return target;
}

}  // namespace rz::platform
