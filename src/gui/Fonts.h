// The fonts of the skinned windows' designs, by family and pixel size; the toolkit substitutes a
// similar face where the family is not installed.
#pragma once
#include <QFont>

namespace rz::gui {

// "MS Sans Serif", 11 px: the forms' default font.
QFont DefaultFormFont();
// Arial at the given pixel size: the yellow labels and the dialogs' message.
QFont ArialFont(int pixelSize);

}  // namespace rz::gui
