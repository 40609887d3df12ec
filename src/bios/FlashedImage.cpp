// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/FlashedImage.h"

#include <algorithm>

#include "bios/ImageLayout.h"

namespace rz::bios {

std::span<const std::uint8_t> FlashedImage(std::span<const std::uint8_t> file) {
  const auto length = ReadImageLength(file);
  if (!IsPlainImage(file) || !length || *length == 0) return file;
  return file.first(std::min<std::size_t>(file.size(), *length));
}

}  // namespace rz::bios
