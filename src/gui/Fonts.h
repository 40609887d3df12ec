// SPDX-License-Identifier: GPL-3.0-or-later
// The fonts of the skinned windows' designs, by family and pixel size; the toolkit substitutes a
// similar face where the family is not installed.
#pragma once
#include <QFont>

#include "skin/Layout.h"

namespace rz::gui {

QFont SkinFont(const skin::Font& font);
// "MS Sans Serif", 11 px: the forms' default font.
inline QFont DefaultFormFont() { return SkinFont(skin::kFormFont); }

}  // namespace rz::gui
