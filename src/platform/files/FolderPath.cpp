// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/FolderPath.h"

#include "base/Paths.h"

namespace rz::platform {

bool CreateFolderPath(FileSystem& files, const std::string& folder,
                      std::vector<std::string>* made) {
  std::string path = folder;
  while (path.size() > 1 && std::string(kPathSeparators).find(path.back()) != std::string::npos)
    path.pop_back();
  if (path.empty()) return false;
  if (files.Kind(path) == PathKind::Folder) return true;
  const std::string parent = FolderOf(path);
  // The top of the path (a root, a drive) is never made; a missing one ends the walk.
  if (parent.size() > 1 && !CreateFolderPath(files, parent, made))
    return false;
  if (!files.CreateFolder(path)) return false;
  if (made) made->push_back(path);
  return true;
}

}  // namespace rz::platform
