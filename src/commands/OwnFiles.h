// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own files, which no file written for the user (the save command's FILE, the
// terminal front end's transcript) may replace: RZFLASH.CFG, HELP.CHM, what the program folder's
// skin, stock BIOS and vendor tool folders hold, and the program's executables and driver files.
#pragma once
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace rz::commands {

inline constexpr const char* kHelpFileName = "HELP.CHM";
inline constexpr const char* kSkinFolderName = "Skin";

// Where one program keeps its files: its program folder (ending in its separator) and the path
// of its executable. Either may be empty when unknown.
struct ProgramPlace {
  std::string programFolder;
  std::string executablePath;
};

// Whether writing `path` (absolute) would replace an own file of a program in `places`: `path`,
// its symbolic links followed, names RZFLASH.CFG or HELP.CHM in a program folder, lies inside its
// "Skin", "BIOS Files" or "tool" folder (the folders themselves too), or names the executable, a
// sibling executable of the program or a driver file beside it. Letter case counts only where
// the file system's does (not on Windows).
bool IsProgramOwnFile(platform::FileSystem& files, const std::vector<ProgramPlace>& places,
                      const std::string& path);

}  // namespace rz::commands
