// SPDX-License-Identifier: GPL-3.0-or-later
// Which of the main window's labels shows what the program tells, and how a text is shown there.
#pragma once
#include <string>

#include "skin/Layout.h"
#include "ui/Ui.h"

namespace rz::skin {

MainLabel LabelFor(ui::Label label);

// A label's text as shown: line breaks written as CR LF become single breaks. Labels size
// themselves to their text.
std::string LabelText(std::string text);

}  // namespace rz::skin
