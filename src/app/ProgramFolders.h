// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program reads its shipped files from, where it keeps what it writes, and where its
// file dialogs start: the executable's own folder for a program folder (the build tree, a Windows
// installation), an installed data folder and the user's folders for an installed program.
#pragma once
#include <string>

#include "platform/FileSystem.h"
#include "platform/System.h"

namespace rz::app {

// The installed data folder, relative to the executable's folder (bin/ -> share/rzflash/).
inline constexpr const char* kInstalledDataFolder = "share/rzflash";
// The program's own folder inside the user's data folder.
inline constexpr const char* kUserDataFolderName = "rzflash";

// Every folder ends in its separator.
struct ProgramFolders {
  std::string program;  // RZFLASH.CFG, Skin, "BIOS Files", HELP.CHM and the vendor tool
  std::string keep;     // what the program writes (the safety backups)
  std::string dialogs;  // where the open and save dialogs start
};

// A folder beside the executable that holds RZFLASH.CFG is the program folder, as it is when
// nothing was installed. Otherwise, when ../share/rzflash/ beside the executable's folder is a
// folder, that is the installed data folder the shipped files are read from. An installed
// program, or one whose folder it may not write, keeps its files in <dataHome>/rzflash/ and
// starts its dialogs in the home folder; where the user's folders are unknown the program folder
// serves for both, as before. An unknown executable path leaves every folder empty. Nothing is
// created here.
ProgramFolders ResolveProgramFolders(const std::string& executablePath, platform::FileSystem& files,
                                     const platform::UserFolders& user);

}  // namespace rz::app
