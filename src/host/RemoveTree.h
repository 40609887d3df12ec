// SPDX-License-Identifier: GPL-3.0-or-later
// Removal of a folder and all it holds, safe when another process removes the same folder at the
// same time: an entry that vanished meanwhile counts as removed, every entry is tried a bounded
// number of times, and a link is removed itself, never what it leads to.
#pragma once
#include <string>

namespace rz::platform {

// Removes `path` (a folder with all it holds, or any other entry). True when nothing is left at
// `path`, also when there was nothing to begin with.
bool RemoveTree(const std::string& path);

// Removes everything inside the folder `folder` except the entry named `keep`. True when nothing
// else is left in it.
bool EmptyFolderExcept(const std::string& folder, const std::string& keep);

}  // namespace rz::platform
