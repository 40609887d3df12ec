// SPDX-License-Identifier: GPL-3.0-or-later
// The host's FileSystem on Windows, through the system's own wide file calls (CreateFileW,
// ReadFile, WriteFile, MoveFileExW...) rather than the C library, whose "x" mode the Windows
// runtime ignores and whose rename cannot replace a file. Paths are UTF-8 (WideName.h: a path that
// cannot be converted exactly fails the call without it being made). (POSIX systems have
// HostFileSystemPosix.cpp.)
#ifdef _WIN32
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "base/Paths.h"
#include "host/windows/HostFileWindows.h"
#include "host/windows/OwnedHandles.h"
#include "host/windows/ReparseData.h"
#include "host/windows/WideName.h"
#include "platform/FileSystem.h"
// After the system headers, which it needs.
#include <winioctl.h>

namespace rz::platform {
namespace {

using win::OwnedHandle;
using win::WideName;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::unique_ptr<File> Wrap(OwnedHandle owned, bool writable) {
  if (!owned) return nullptr;
  return MakeHostFile(std::move(owned), writable);
}

// A handle that only looks at what stands at `path` (links followed, folders too); its type and
// information say what it is.
OwnedHandle OpenToLookAt(const std::string& path) {
  const WideName name(path);
  if (!name) return {};
  return OwnedHandle(::CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// CreateFileW of `path`; no handle (the reason as last error) for a path that does not convert.
OwnedHandle Open(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                 DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  const WideName name(path);
  if (!name) return {};
  return OwnedHandle(
      ::CreateFileW(name.c_str(), access, share, nullptr, disposition, flags, nullptr));
}

// GetFileAttributesW of `path`; INVALID_FILE_ATTRIBUTES for a path that does not convert.
DWORD AttributesOf(const std::string& path) {
  const WideName name(path);
  return name ? ::GetFileAttributesW(name.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool IsMissingError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_INVALID_DRIVE ||
         error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

class HostFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> OpenRead(const std::string& path) override;
  std::unique_ptr<File> OpenWrite(const std::string& path) override {
    return Wrap(Open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), true);
  }
  // FILE_APPEND_DATA without FILE_WRITE_DATA: the system puts every write at the file's end.
  std::unique_ptr<File> OpenAppend(const std::string& path) override {
    return Wrap(Open(path, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     OPEN_ALWAYS),
                true);
  }
  // CREATE_NEW: the system refuses when anything stands at `path`.
  std::unique_ptr<File> CreateNew(const std::string& path) override {
    return Wrap(Open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW), true);
  }
  std::unique_ptr<File> CreateUnique(const std::string& folder, const std::string& prefix,
                                     std::string& path) override;
  // Replaces `to`; written through to the disk before it returns.
  bool Rename(const std::string& from, const std::string& to) override {
    const WideName source(from);
    if (!source) return false;
    const WideName target(to);
    return target && ::MoveFileExW(source.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  // A file, or an empty folder (a link to a folder: the link).
  bool Remove(const std::string& path) override {
    const WideName name(path);
    if (!name) return false;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(name.c_str()) != FALSE;
    return ::DeleteFileW(name.c_str()) != FALSE;
  }
  bool Exists(const std::string& path) override { return Kind(path) != PathKind::Missing; }
  bool Copy(const std::string& from, const std::string& to) override;
  std::int64_t Size(const std::string& path) override;
  PathKind Kind(const std::string& path) override;
  std::string FinalTarget(const std::string& path) override;
  // A file marked read-only is refused even where the mark could be taken off: it is its owner's
  // wish that the file is kept.
  bool CanWrite(const std::string& path) override;
  bool CreateFolder(const std::string& path) override {
    const WideName name(path);
    if (!name) return false;
    return ::CreateDirectoryW(name.c_str(), nullptr) != FALSE || Kind(path) == PathKind::Folder;
  }
  // The system has no call that flushes a folder's entries; the change that must survive a power
  // cut, a file put in place by Rename, is written through by MoveFileEx itself
  // (MOVEFILE_WRITE_THROUGH), and the file system's log holds every earlier change of the folder
  // before it. What is left here is that the folder is there.
  bool FlushFolder(const std::string& path) override { return Kind(path) == PathKind::Folder; }
  std::vector<std::string> FileNames(const std::string& folder) override;

 private:
  // Information about the file system object at `path`, links followed.
  static bool LookAt(const std::string& path, BY_HANDLE_FILE_INFORMATION& info, DWORD& type);
};

bool HostFileSystem::LookAt(const std::string& path, BY_HANDLE_FILE_INFORMATION& info,
                            DWORD& type) {
  const OwnedHandle h = OpenToLookAt(path);
  if (!h) return false;
  type = ::GetFileType(h.get());
  info = {};
  return type != FILE_TYPE_DISK || ::GetFileInformationByHandle(h.get(), &info);
}

std::unique_ptr<File> HostFileSystem::OpenRead(const std::string& path) {
  // Folders do not open without FILE_FLAG_BACKUP_SEMANTICS; devices and pipes do, and are closed
  // again before anything is read from them. Opening never waits: a busy pipe is refused at once.
  OwnedHandle h = Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
  if (!h || ::GetFileType(h.get()) != FILE_TYPE_DISK) return nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return nullptr;
  return MakeHostFile(std::move(h), false);
}

std::unique_ptr<File> HostFileSystem::CreateUnique(const std::string& folder,
                                                   const std::string& prefix, std::string& path) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(random()));
    const std::string candidate = folder + prefix + suffix;
    if (auto f = CreateNew(candidate)) {
      path = candidate;
      return f;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;  // not a name clash
  }
  path.clear();
  return nullptr;
}

bool HostFileSystem::Copy(const std::string& from, const std::string& to) {
  BY_HANDLE_FILE_INFORMATION source{};
  DWORD sourceType = 0;
  if (!LookAt(from, source, sourceType) || sourceType != FILE_TYPE_DISK ||
      (source.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  // The same file under another name (letter case, a short name, a link) is its own copy; the
  // system would refuse to copy it onto itself.
  BY_HANDLE_FILE_INFORMATION target{};
  DWORD targetType = 0;
  if (LookAt(to, target, targetType) && targetType == FILE_TYPE_DISK &&
      target.dwVolumeSerialNumber == source.dwVolumeSerialNumber &&
      target.nFileIndexHigh == source.nFileIndexHigh &&
      target.nFileIndexLow == source.nFileIndexLow)
    return true;
  const WideName fromName(from);
  const WideName toName(to);
  return fromName && toName && ::CopyFileW(fromName.c_str(), toName.c_str(), FALSE) != FALSE;
}

std::int64_t HostFileSystem::Size(const std::string& path) {
  const OwnedHandle h = Open(path, 0, kShareAll, OPEN_EXISTING);
  LARGE_INTEGER size{};
  if (!h || ::GetFileType(h.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(h.get(), &size))
    return -1;
  return size.QuadPart;
}

PathKind HostFileSystem::Kind(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  DWORD type = 0;
  if (!LookAt(path, info, type)) {
    const DWORD error = ::GetLastError();
    if (IsMissingError(error)) return PathKind::Missing;
    if (error == ERROR_PIPE_BUSY) return PathKind::Other;  // a pipe whose instances are all taken
    // Something stands there that cannot be opened even to look at it (in use, refused): its
    // attributes may still tell; a link that loops tells nothing.
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return PathKind::Other;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
  }
  if (type != FILE_TYPE_DISK) return PathKind::Other;  // devices, pipes, consoles
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

std::string HostFileSystem::FinalTarget(const std::string& path) {
  constexpr int kMaxLinks = 63;  // what the system itself follows before it gives up
  std::string current = path;
  std::vector<std::uint8_t> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    const DWORD attributes = AttributesOf(current);
    if (attributes == INVALID_FILE_ATTRIBUTES)
      // Missing: that is the name the links lead to. ERROR_CANT_RESOLVE_FILENAME: the system
      // found links on the way that never end.
      return ::GetLastError() == ERROR_CANT_RESOLVE_FILENAME ? std::string() : current;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return current;
    const OwnedHandle link = Open(current, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
    if (!link) return {};
    DWORD got = 0;
    if (!::DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                           static_cast<DWORD>(data.size()), &got, nullptr))
      return ::GetLastError() == ERROR_NOT_A_REPARSE_POINT ? current : std::string();
    const auto target = ParseReparseData(std::span(data.data(), got));
    if (!target) return current;  // a reparse point of another kind: no link, the file is here
    const std::wstring_view wide(reinterpret_cast<const wchar_t*>(target->path.data()),
                                 target->path.size());
    const auto text = win::NarrowExact(wide);
    if (!text) return {};
    current = target->relative ? FolderOf(current) + *text : *text;
  }
  return {};
}

std::vector<std::string> HostFileSystem::FileNames(const std::string& folder) {
  std::vector<std::string> names;
  std::string pattern = folder;
  if (!pattern.empty() && std::string(kPathSeparators).find(pattern.back()) == std::string::npos)
    pattern += kPathSeparator;
  const WideName name(pattern + "*");
  if (!name) return names;
  WIN32_FIND_DATAW entry{};
  const win::OwnedSearch find(::FindFirstFileW(name.c_str(), &entry));
  if (!find) return names;
  do {
    // A name UTF-8 cannot carry (an unpaired surrogate) could not be named back: left out.
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      if (auto text = win::NarrowExact(entry.cFileName)) names.push_back(std::move(*text));
  } while (::FindNextFileW(find.get(), &entry));
  return names;
}

bool HostFileSystem::CanWrite(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  DWORD type = 0;
  if (!LookAt(path, info, type) || type != FILE_TYPE_DISK ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
    return false;
  // Opening for writing asks the file's access list and the other openers' sharing; nothing is
  // written.
  return static_cast<bool>(Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING));
}

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<HostFileSystem>(); }

}  // namespace rz::platform

#endif  // _WIN32
