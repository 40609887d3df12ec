// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/OwnFiles.h"

#include <algorithm>
#include <filesystem>

#include "base/Paths.h"
#include "base/Utf8Path.h"
#include "commands/StockBios.h"
#include "commands/VendorTool.h"
#include "config/AsicTable.h"
#include "hw/IoDriver.h"

namespace rz::commands {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kExecutableSuffix = ".exe";
#else
constexpr const char* kExecutableSuffix = "";
#endif

// The executables a program folder of this project holds beside each other.
constexpr const char* kProgramExecutables[] = {"rzflash", "rzflash-cli", "rzflash-demo"};

// `path` with its links followed (its own, to the file a replacement would write, and those of
// the folders above it) and its "." and ".." resolved, without a trailing separator, in the form
// paths are compared in on this system.
fs::path Comparable(platform::FileSystem& files, const std::string& path) {
  const std::string followed = files.FinalTarget(path);
  const fs::path final = PathFromUtf8(followed.empty() ? path : followed);
  std::error_code ec;
  fs::path normal = fs::weakly_canonical(final, ec);
  if (ec) normal = final.lexically_normal();
  if (normal.has_parent_path() && normal.filename().empty()) normal = normal.parent_path();
#ifdef _WIN32
  // Letters A to Z in either case; others as written.
  std::wstring text = normal.generic_wstring();
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  normal = fs::path(text);
#endif
  return normal;
}

// Whether `path` is `folder` or lies inside it.
bool Within(const fs::path& path, const fs::path& folder) {
  const auto [inFolder, inPath] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  (void)inPath;
  return inFolder == folder.end();
}

bool OwnedBy(platform::FileSystem& files, const ProgramPlace& place, const fs::path& target) {
  if (!place.programFolder.empty()) {
    const std::string& folder = place.programFolder;
    for (const char* name : {config::kConfigFileName, kHelpFileName})
      if (target == Comparable(files, folder + name)) return true;
    const std::string toolFolder = FolderOf(kAtiToolRelativePath);
    for (const std::string& name : {std::string(kSkinFolderName), std::string(kStockBiosFolder), toolFolder})
      if (Within(target, Comparable(files, folder + name))) return true;
  }
  if (!place.executablePath.empty()) {
    if (target == Comparable(files, place.executablePath)) return true;
    const std::string beside = FolderOf(place.executablePath);
    for (const char* name : kProgramExecutables)
      if (target == Comparable(files, beside + name + kExecutableSuffix)) return true;
    for (const char* name : {platform::kDriverFile32, platform::kDriverFile64})
      if (target == Comparable(files, beside + name)) return true;
  }
  return false;
}

}  // namespace

bool IsProgramOwnFile(platform::FileSystem& files, const std::vector<ProgramPlace>& places,
                      const std::string& path) {
  if (path.empty()) return false;
  const fs::path target = Comparable(files, path);
  return std::any_of(places.begin(), places.end(),
                     [&](const ProgramPlace& p) { return OwnedBy(files, p, target); });
}

}  // namespace rz::commands
