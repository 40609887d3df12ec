#include "skin/Layout.h"

#include "base/Paths.h"

namespace rz::skin {

const LabelSpec& Spec(MainLabel label) {
  for (const LabelSpec& spec : kMainLabels)
    if (spec.id == label) return spec;
  return kMainLabels.front();  // unreachable: every label is in the table
}

std::string SkinFile(const std::string& programFolder, const ImageButtonSpec& button, Face face) {
  int number = static_cast<int>(face);
  if (face == Face::Disabled && !button.ownDisabledFace) number = static_cast<int>(Face::Normal);
  return programFolder + "Skin" + kPathSeparator + std::to_string(button.rect.left) + "_" +
         std::to_string(button.rect.top) + "_" + std::to_string(number) + ".bmp";
}

}  // namespace rz::skin
