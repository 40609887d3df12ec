// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/Layout.h"

#include <stdexcept>

#include "base/Paths.h"

namespace rz::skin {

const LabelLayout& LayoutOf(MainLabel label) {
  for (const LabelLayout& layout : kMainLabels)
    if (layout.id == label) return layout;
  return kMainLabels.front();  // unreachable: every label is in the table
}

std::size_t PlainControlIndex(std::string_view name) {
  for (std::size_t i = 0; i < kPlainControls.size(); ++i)
    if (kPlainControls[i].name == name) return i;
  throw std::logic_error("no plain control " + std::string(name));
}

const PlainControlLayout& PlainControl(std::string_view name) {
  return kPlainControls[PlainControlIndex(name)];
}

std::string SkinFile(const std::string& programFolder, const ImageButtonLayout& button, Face face) {
  int number = static_cast<int>(face);
  if (face == Face::Disabled && !button.ownDisabledFace) number = static_cast<int>(Face::Normal);
  return programFolder + "Skin" + kPathSeparator + std::to_string(button.rect.left) + "_" +
         std::to_string(button.rect.top) + "_" + std::to_string(number) + ".bmp";
}

}  // namespace rz::skin
