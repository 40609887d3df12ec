// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/RemoveTree.h"

#include "base/Utf8Path.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rz::platform {

namespace fs = std::filesystem;

namespace {

// Deeper than any folder this program makes; a deeper tree is left rather than recursed into.
constexpr int kMaxDepth = 32;
// Passes over a folder's entries before its removal is given up.
constexpr int kPasses = 3;

enum class Kind { Gone, Folder, Other };

#ifdef _WIN32
// A reparse point (junction, symbolic link) is "Other": it is removed, its target never entered.
Kind KindOf(const fs::path& p) {
  const DWORD attributes = ::GetFileAttributesW(p.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? Kind::Gone : Kind::Other;
  }
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return folder && !link ? Kind::Folder : Kind::Other;
}

bool Vanished(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

bool RemoveEntry(const fs::path& p) {
  const DWORD attributes = ::GetFileAttributesW(p.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Vanished(::GetLastError());
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(p.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  // A directory junction or a folder link is removed as a folder, without entering it.
  const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(p.c_str())
                                                               : ::DeleteFileW(p.c_str());
  return removed || Vanished(::GetLastError());
}
#else
Kind KindOf(const fs::path& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return errno == ENOENT ? Kind::Gone : Kind::Other;
  return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
}

bool RemoveEntry(const fs::path& p) {
  const int result = KindOf(p) == Kind::Folder ? ::rmdir(p.c_str()) : ::unlink(p.c_str());
  return result == 0 || errno == ENOENT;
}
#endif

// On Windows an entry that another process is removing at the same moment stays listed, and
// refuses to be opened, until that process lets go of it: a short pause lets it.
void PauseBeforeRetry() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

bool RemoveAt(const fs::path& p, int depth);

// Removes what `folder` holds except `keep` (empty: keeps nothing). Entries are listed first and
// removed after, so that the listing never sees the folder change under it; a few passes take
// what another process added meanwhile.
bool EmptyAt(const fs::path& folder, const fs::path& keep, int depth) {
  bool allRemoved = true;
  for (int pass = 0; pass <= kPasses; ++pass) {
    if (!allRemoved) PauseBeforeRetry();
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (keep.empty() || it->path().filename() != keep) entries.push_back(it->path());
    }
    if (ec) return KindOf(folder) == Kind::Gone;
    if (entries.empty()) return true;
    if (pass == kPasses) break;
    allRemoved = true;
    for (const fs::path& entry : entries) allRemoved = RemoveAt(entry, depth + 1) && allRemoved;
  }
  return false;
}

bool RemoveAt(const fs::path& p, int depth) {
  const Kind kind = KindOf(p);
  if (kind == Kind::Gone) return true;
  if (kind == Kind::Folder && (depth >= kMaxDepth || !EmptyAt(p, {}, depth))) return false;
  return RemoveEntry(p) || KindOf(p) == Kind::Gone;
}

}  // namespace

bool RemoveTree(const std::string& path) {
  if (path.empty()) return false;
  for (int pass = 0; pass < kPasses; ++pass) {
    if (pass > 0) PauseBeforeRetry();
    if (RemoveAt(PathFromUtf8(path), 0)) return true;
  }
  return false;
}

bool EmptyFolderExcept(const std::string& folder, const std::string& keep) {
  return !folder.empty() && EmptyAt(PathFromUtf8(folder), PathFromUtf8(keep), 0);
}

}  // namespace rz::platform
