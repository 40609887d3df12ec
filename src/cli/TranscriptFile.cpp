// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TranscriptFile.h"

#include <cerrno>
#include <cstring>

#include "base/Paths.h"
#include "platform/files/FileReplacement.h"

namespace rz::cli {

namespace {

// Why FileReplacement refused `path`.
std::string WhyRefused(platform::FileSystem& files, const std::string& path) {
  const std::string target = files.FinalTarget(path);
  if (target.empty()) return "its symbolic links lead nowhere";
  switch (files.Kind(target)) {
    case platform::PathKind::Folder:
      return "it is a folder";
    case platform::PathKind::Other:
      return "it is not a regular file (a pipe, a device or the like); only a regular file is "
             "written";
    case platform::PathKind::File:
      if (!files.CanWrite(target)) return "it is read-only";
      break;
    case platform::PathKind::Missing:
      break;
  }
  return "no new file can be made in its folder " + FolderOf(target);
}

std::string Reason(const char* fallback) {
  return errno != 0 ? std::strerror(errno) : fallback;
}

}  // namespace

std::optional<std::string> WriteTranscriptFile(platform::FileSystem& files,
                                               const std::vector<commands::ProgramPlace>& own,
                                               const std::string& path, const std::string& text) {
  if (path.empty()) return "no file is named";
  if (commands::IsProgramOwnFile(files, own, path))
    return "it is one of the program's own files, which are never replaced";
  platform::FileReplacement out(files, path);
  if (!out.Out()) return WhyRefused(files, path);
  errno = 0;
  if (out.Out()->Write(text.data(), text.size()) != text.size())
    return Reason("the write stopped short");
  errno = 0;
  if (!out.Commit()) return Reason("it could not be closed or put in place");
  return std::nullopt;
}

}  // namespace rz::cli
