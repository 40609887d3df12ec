// The host's FileSystem on Windows, through the system's own file calls (CreateFileA, ReadFile,
// WriteFile, MoveFileExA...) rather than the C library, whose "x" mode the Windows runtime ignores
// and whose rename cannot replace a file. (POSIX systems have HostFileSystemPosix.cpp.)
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
#include "platform/FileSystem.h"
// After the system headers, which it needs.
#include <winioctl.h>

namespace rz::platform {
namespace {

using win::OwnedHandle;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::unique_ptr<File> Wrap(HANDLE h, bool writable) {
  OwnedHandle owned(h);
  if (!owned) return nullptr;
  return MakeHostFile(std::move(owned), writable);
}

// A handle that only looks at what stands at `path` (links followed, folders too); its type and
// information say what it is.
OwnedHandle OpenToLookAt(const std::string& path) {
  return OwnedHandle(::CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IsMissingError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_INVALID_DRIVE ||
         error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

// Text of a link target for the file calls, which take the system's code page; nullopt when a
// character has no place in it.
std::optional<std::string> InCodePage(const std::u16string& text) {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  BOOL lossy = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                      nullptr, &lossy);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, out.data(), n, nullptr,
                        &lossy);
  if (lossy) return std::nullopt;
  return out;
}

class HostFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> OpenRead(const std::string& path) override;
  std::unique_ptr<File> OpenWrite(const std::string& path) override {
    return Wrap(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                true);
  }
  // CREATE_NEW: the system refuses when anything stands at `path`.
  std::unique_ptr<File> CreateNew(const std::string& path) override {
    return Wrap(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                true);
  }
  std::unique_ptr<File> CreateUnique(const std::string& folder, const std::string& prefix,
                                     std::string& path) override;
  // Replaces `to`; written through to the disk before it returns.
  bool Rename(const std::string& from, const std::string& to) override {
    return ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  // A file, or an empty folder (a link to a folder: the link).
  bool Remove(const std::string& path) override {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryA(path.c_str()) != FALSE;
    return ::DeleteFileA(path.c_str()) != FALSE;
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
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE || Kind(path) == PathKind::Folder;
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
  OwnedHandle h(::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
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
  return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::int64_t HostFileSystem::Size(const std::string& path) {
  const OwnedHandle h(::CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
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
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
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
    const DWORD attributes = ::GetFileAttributesA(current.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
      // Missing: that is the name the links lead to. ERROR_CANT_RESOLVE_FILENAME: the system
      // found links on the way that never end.
      return ::GetLastError() == ERROR_CANT_RESOLVE_FILENAME ? std::string() : current;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return current;
    const OwnedHandle link(::CreateFileA(
        current.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!link) return {};
    DWORD got = 0;
    if (!::DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                           static_cast<DWORD>(data.size()), &got, nullptr))
      return ::GetLastError() == ERROR_NOT_A_REPARSE_POINT ? current : std::string();
    const auto target = ParseReparseData(std::span(data.data(), got));
    if (!target) return current;  // a reparse point of another kind: no link, the file is here
    const auto text = InCodePage(target->path);
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
  WIN32_FIND_DATAA entry{};
  const win::OwnedSearch find(::FindFirstFileA((pattern + "*").c_str(), &entry));
  if (!find) return names;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      names.emplace_back(entry.cFileName);
  } while (::FindNextFileA(find.get(), &entry));
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
  const OwnedHandle h(::CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(h);
}

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<HostFileSystem>(); }

}  // namespace rz::platform

#endif  // _WIN32
