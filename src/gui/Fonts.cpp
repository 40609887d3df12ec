// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/Fonts.h"

namespace rz::gui {

QFont SkinFont(const skin::Font& font) {
  QFont f(QString::fromLatin1(font.family));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(font.pixelSize);
  return f;
}

}  // namespace rz::gui
