// SPDX-License-Identifier: GPL-3.0-or-later
// The file --transcript names, written as the save command writes its FILE: only a regular file
// (or a new one) is written, never a pipe, a device or a folder, and nothing is opened in a way
// that could wait; the text goes into a temporary file in the target's folder that replaces the
// target after a complete write and a good close; and none of the program's own files is ever
// replaced.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "commands/OwnFiles.h"
#include "platform/FileSystem.h"

namespace rz::cli {

// Writes `text` to `path` (absolute) through `files`, refusing the own files of `own`. nullopt
// when written; otherwise why not, in words (the target is then as it was).
std::optional<std::string> WriteTranscriptFile(platform::FileSystem& files,
                                               const std::vector<commands::ProgramPlace>& own,
                                               const std::string& path, const std::string& text);

}  // namespace rz::cli
