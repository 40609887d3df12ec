// SPDX-License-Identifier: GPL-3.0-or-later
// Screenshots of the demo's windows for checking the artwork: with RZFLASH_DEMO_SCREENSHOT set to
// a folder, the demo saves PNGs of the main window and both dialogs there and closes. Demo only.
#pragma once
#include "gui/GuiMain.h"

namespace rz::gui {

// The hook to pass to RunGui; null when the variable is not set.
AfterStartHook DemoScreenshotHook();

}  // namespace rz::gui
