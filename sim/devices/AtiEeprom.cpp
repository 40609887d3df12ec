// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/AtiEeprom.h"

#include <filesystem>

#include "base/Utf8Path.h"

#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

namespace fs = std::filesystem;

AtiEeprom ParseAtiEeprom(ScenarioObject& e, const std::string& baseDirectory) {
  AtiEeprom r;
  if (const auto image = e.OptionalText("image")) {
    if (image->empty()) throw ScenarioError(e.PathOf("image") + " must name a file");
    const fs::path p = PathFromUtf8(*image);
    r.imagePath =
        Utf8FromPath((p.is_absolute() ? p : PathFromUtf8(baseDirectory) / p).lexically_normal());
  }
  if (const auto n = e.OptionalNumber("size")) {
    if (*n == 0 || *n > kAtiMaxEepromSize)
      throw ScenarioError(e.PathOf("size") + " must be between 1 and 16 MiB");
    r.size = static_cast<std::size_t>(*n);
  }
  r.persist = e.Flag("persist", false);
  if (r.persist && r.imagePath.empty())
    throw ScenarioError(e.PathOf("persist") + " needs an image file");
  return r;
}

}  // namespace rz::sim
