// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/Labels.h"

namespace rz::skin {

MainLabel LabelFor(ui::Label label) {
  switch (label) {
    case ui::Label::BiosVersion: return MainLabel::BiosVersion;
    case ui::Label::EepromName: return MainLabel::EepromName;
    case ui::Label::EepromSize: return MainLabel::EepromSize;
  }
  return MainLabel::EepromSize;
}

std::string LabelText(std::string text) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at, 1);
  return text;
}

}  // namespace rz::skin
