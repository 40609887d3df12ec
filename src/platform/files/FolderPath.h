// SPDX-License-Identifier: GPL-3.0-or-later
// Making a folder together with the folders above it that are missing, over the file-system seam.
#pragma once
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace rz::platform {

// Makes `folder` (with or without its trailing separator) and every missing folder above it.
// True when a folder stands there afterwards. `made`, when given, receives the folders made now,
// topmost first.
bool CreateFolderPath(FileSystem& files, const std::string& folder,
                      std::vector<std::string>* made = nullptr);

}  // namespace rz::platform
