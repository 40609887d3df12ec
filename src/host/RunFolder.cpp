// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/RunFolder.h"

#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"
#include "host/RemoveTree.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rz::platform {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// A lock file opened with no sharing: while its owner has it open no one else can open it, and the
// system closes it when the owner's process ends, however it ends.
std::intptr_t TakeLock(const fs::path& file, bool create) {
  const HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                 create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
}

void DropLock(std::intptr_t lock) { ::CloseHandle(reinterpret_cast<HANDLE>(lock)); }

// Marks the held lock file for removal, so that it is gone the moment the lock is dropped. Should
// the system refuse, the folder's removal takes the file after the lock is dropped.
void DeleteHeldLock(std::intptr_t lock, const fs::path&) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  ::SetFileInformationByHandle(reinterpret_cast<HANDLE>(lock), FileDispositionInfo, &disposition,
                               sizeof disposition);
}

// Whether the lock just taken is on the file that is still there (always, when it cannot be
// deleted while open).
bool StillLinked(std::intptr_t) { return true; }

// The lock is taken as the file is made, so there is no moment when it exists unheld.
std::intptr_t CreateHeldLock(const fs::path& folder) {
  return TakeLock(folder / kRunFolderLockName, true);
}

bool OwnedByThisUser(const fs::path&) { return true; }  // the folder's access list sees to it
#else
// An flock on the lock file; the system drops it when the owner's process ends, however it ends.
std::intptr_t TakeLock(const fs::path& file, bool create) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT | O_EXCL : 0), 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void DropLock(std::intptr_t lock) { ::close(static_cast<int>(lock)); }

// Removes the held lock file, so that it is gone the moment the lock is dropped.
void DeleteHeldLock(std::intptr_t, const fs::path& file) { ::unlink(file.c_str()); }

// Whether the lock just taken is on a file that is still there: its run may have removed it
// between this run's open and its lock, on the way to removing the folder itself.
bool StillLinked(std::intptr_t lock) {
  struct stat st {};
  return ::fstat(static_cast<int>(lock), &st) == 0 && st.st_nlink > 0;
}

// The lock is taken on a file of another name and then renamed into place, so a run that clears
// folders never finds the lock file while it is not yet held.
std::intptr_t CreateHeldLock(const fs::path& folder) {
  const fs::path pending = folder / (std::string(kRunFolderLockName) + ".new");
  const std::intptr_t lock = TakeLock(pending, true);
  if (lock < 0) return -1;
  if (::rename(pending.c_str(), (folder / kRunFolderLockName).c_str()) != 0) {
    DropLock(lock);
    return -1;
  }
  return lock;
}

bool OwnedByThisUser(const fs::path& folder) {
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}
#endif

bool Abandoned(const fs::path& folder) {
  std::error_code ec;
  const fs::path lockFile = folder / kRunFolderLockName;
  if (!fs::is_regular_file(fs::symlink_status(lockFile, ec))) return false;
  const std::intptr_t lock = TakeLock(lockFile, false);
  if (lock < 0) return false;  // held: its run is alive (or the file cannot be opened at all)
  const bool abandoned = StillLinked(lock);
  DropLock(lock);
  return abandoned;
}

// The prefix, once the folders of the prefix and of its family that earlier runs abandoned are
// gone.
const std::string& AfterClearing(const std::string& prefix, const std::string& root,
                                 const std::string& family) {
  RemoveAbandonedRunFolders(prefix, root);
  if (!family.empty())
    for (const char* kind : kRunFolderKinds)
      if (family + kind + "-" != prefix) RemoveAbandonedRunFolders(family + kind + "-", root);
  return prefix;
}

}  // namespace

int RemoveAbandonedRunFolders(const std::string& prefix, const std::string& root) {
  const std::string base = root.empty() ? TemporaryRoot() : root;
  if (base.empty() || prefix.empty()) return 0;
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(PathFromUtf8(base), ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path folder = it->path();
    const std::string name = Utf8FromPath(folder.filename());
    if (!IsPrivateFolderName(name, prefix)) continue;
    std::error_code kindError;
    if (!it->is_directory(kindError) || it->is_symlink(kindError)) continue;
    if (!OwnedByThisUser(folder) || !Abandoned(folder)) continue;
    if (RemoveTree(Utf8FromPath(folder))) ++removed;
  }
  return removed;
}

RunFolder::RunFolder(RunFolderKind kind, const std::string& root)
    : RunFolder(std::string(kRunFolderFamily) + kRunFolderKinds[static_cast<int>(kind)] + "-", root,
                kRunFolderFamily) {}

RunFolder::RunFolder(const std::string& prefix, const std::string& root,
                     const std::string& family)
    : folder_(AfterClearing(prefix, root, family), root) {
  if (folder_.Path().empty()) {
    error_ = folder_.Error();
    return;
  }
  lock_ = CreateHeldLock(PathFromUtf8(folder_.Path()));
  if (lock_ < 0) {
    error_ = "cannot mark " + folder_.Path() + " as in use";
    return;
  }
  path_ = folder_.Path();
}

// The lock is held until nothing but the lock file is left, and the lock file goes before the lock
// is dropped: at no moment is the folder one that another run would take for abandoned and remove
// while this one is removing it too.
RunFolder::~RunFolder() {
  if (lock_ >= 0) {
    EmptyFolderExcept(path_, kRunFolderLockName);
    DeleteHeldLock(lock_, PathFromUtf8(path_) / kRunFolderLockName);
  }
  ReleaseLock();
  // The folder itself goes with folder_.
}

void RunFolder::ReleaseLock() {
  if (lock_ >= 0) DropLock(lock_);
  lock_ = -1;
}

}  // namespace rz::platform
