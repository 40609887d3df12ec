// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramFolders.h"

#include "base/Paths.h"
#include "config/AsicTable.h"

namespace rz::app {

namespace {

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && std::string(kPathSeparators).find(path.back()) != std::string::npos)
    path.pop_back();
  return path;
}

// The folder above `folder` (both with their trailing separator); empty at the top.
std::string ParentFolder(const std::string& folder) {
  const std::string trimmed = WithoutTrailingSeparators(folder);
  if (trimmed.size() <= 1) return {};
  return FolderOf(trimmed);
}

std::string AsFolder(const std::string& path) {
  if (path.empty()) return {};
  return WithoutTrailingSeparators(path) + kPathSeparator;
}

}  // namespace

ProgramFolders ResolveProgramFolders(const std::string& executablePath, platform::FileSystem& files,
                                     const platform::UserFolders& user) {
  ProgramFolders folders;
  const std::string own = FolderOf(executablePath);
  if (own.empty()) return folders;
  folders.program = own;

  bool installed = false;
  if (files.Kind(own + config::kConfigFileName) != platform::PathKind::File) {
    const std::string parent = ParentFolder(own);
    std::string data = parent.empty() ? std::string() : parent + kInstalledDataFolder;
    for (char& c : data)
      if (c == '/') c = kPathSeparator;
    if (!data.empty() && files.Kind(data) == platform::PathKind::Folder) {
      folders.program = data + kPathSeparator;
      installed = true;
    }
  }

  folders.keep = folders.program;
  folders.dialogs = folders.program;
  if (!installed && files.CanWrite(folders.program)) return folders;
  if (!user.dataHome.empty())
    folders.keep = AsFolder(user.dataHome) + kUserDataFolderName + kPathSeparator;
  if (!user.home.empty()) folders.dialogs = AsFolder(user.home);
  return folders;
}

}  // namespace rz::app
