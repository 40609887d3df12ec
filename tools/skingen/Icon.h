// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon for the desktop's menus: a lightning bolt over a chip on the skin's colours.
#pragma once
#include <QImage>

namespace skingen {

// A square icon of `size` pixels with a transparent surround.
QImage AppIcon(int size);

}  // namespace skingen
