// SPDX-License-Identifier: GPL-3.0-or-later
// The host's FileSystem on POSIX systems: the C library's buffered streams over descriptors
// opened with open(2), and std::filesystem. (Windows has its own, HostFileSystemWindows.cpp.)
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "platform/FileSystem.h"

namespace rz::platform {
namespace {

class HostFile final : public File {
 public:
  explicit HostFile(std::FILE* f) : f_(f) {}
  ~HostFile() override { Close(); }
  std::size_t Read(void* buffer, std::size_t count) override {
    return f_ ? std::fread(buffer, 1, count, f_) : 0;
  }
  std::size_t Write(const void* buffer, std::size_t count) override {
    return f_ ? std::fwrite(buffer, 1, count, f_) : 0;
  }
  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    if (!f_) return false;
    const int whence = origin == SeekOrigin::Begin ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    return std::fseek(f_, static_cast<long>(offset), whence) == 0;
  }
  std::int64_t Tell() override { return f_ ? std::ftell(f_) : -1; }
  // The stream's buffer to the system, then the system's cache to the disk.
  bool Flush() override {
    return f_ && std::fflush(f_) == 0 && ::fsync(::fileno(f_)) == 0;
  }
  bool Close() override {
    if (!f_) return true;
    const bool ok = std::fclose(f_) == 0;
    f_ = nullptr;
    return ok;
  }

 private:
  std::FILE* f_;
};

class HostFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> OpenRead(const std::string& path) override;
  std::unique_ptr<File> OpenWrite(const std::string& path) override { return Open(path, "wb"); }
  std::unique_ptr<File> OpenAppend(const std::string& path) override;
  std::unique_ptr<File> CreateNew(const std::string& path) override;

  std::unique_ptr<File> CreateUnique(const std::string& folder, const std::string& prefix,
                                     std::string& path) override {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(rd()));
      std::string candidate = folder + prefix + suffix;
      if (auto f = CreateNew(candidate)) {  // never reuses an existing name
        path = candidate;
        return f;
      }
      std::error_code ec;
      if (!std::filesystem::exists(candidate, ec)) break;  // failure other than a name clash
    }
    path.clear();
    return nullptr;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
  }
  bool Remove(const std::string& path) override {
    std::error_code ec;
    return std::filesystem::remove(path, ec) && !ec;
  }
  bool Exists(const std::string& path) override {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
  }
  bool Copy(const std::string& from, const std::string& to) override {
    std::error_code ec;
    // A file named as its own target already is its copy (e.g. the user chose the vendor tool's
    // exchange file itself); the library would refuse it as an error.
    if (std::filesystem::exists(to, ec) && std::filesystem::equivalent(from, to, ec) && !ec)
      return std::filesystem::is_regular_file(from, ec) && !ec;
    ec.clear();
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
  }
  std::int64_t Size(const std::string& path) override {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
  }
  PathKind Kind(const std::string& path) override {
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    switch (type) {
      case std::filesystem::file_type::not_found: return PathKind::Missing;
      case std::filesystem::file_type::regular: return PathKind::File;
      case std::filesystem::file_type::directory: return PathKind::Folder;
      default: return PathKind::Other;  // pipes, devices, sockets, and what cannot be looked at
    }
  }
  std::string FinalTarget(const std::string& path) override;
  bool CanWrite(const std::string& path) override;
  bool CreateFolder(const std::string& path) override {
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && Kind(path) == PathKind::Folder);
  }
  bool FlushFolder(const std::string& path) override;
  std::vector<std::string> FileNames(const std::string& folder) override;

 private:
  static std::unique_ptr<File> Open(const std::string& path, const char* mode) {
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (!f) return nullptr;
    return std::make_unique<HostFile>(f);
  }
};

std::unique_ptr<File> HostFileSystem::OpenAppend(const std::string& path) {
  // O_APPEND: the system puts every write at the end. Nothing but a regular file is appended to,
  // and a pipe is never waited for.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st {};
  std::FILE* f = nullptr;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    f = ::fdopen(fd, "ab");
  }
  if (!f) {
    ::close(fd);
    return nullptr;
  }
  // Unbuffered: each Write reaches the file in one call, so a line is never split between two.
  std::setvbuf(f, nullptr, _IONBF, 0);
  return std::make_unique<HostFile>(f);
}

std::unique_ptr<File> HostFileSystem::CreateNew(const std::string& path) {
  // O_EXCL, not the C library's "x" mode, which not every C library honours.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<HostFile>(f);
}

std::string HostFileSystem::FinalTarget(const std::string& path) {
  namespace fs = std::filesystem;
  constexpr int kMaxLinks = 40;  // what the kernel itself follows before it gives up
  fs::path current = path;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(current, ec))) return current.string();
    const fs::path next = fs::read_symlink(current, ec);
    if (ec) return {};
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return {};
}

std::unique_ptr<File> HostFileSystem::OpenRead(const std::string& path) {
  // Opening a pipe without a writer would wait forever: open without blocking, then look at what
  // was opened before reading from it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<HostFile>(f);
}

bool HostFileSystem::FlushFolder(const std::string& path) {
  // A folder's entries reach the disk through fsync of the folder itself, opened for reading.
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

std::vector<std::string> HostFileSystem::FileNames(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (it->is_regular_file(kind)) names.push_back(it->path().filename().string());
  }
  return names;
}

bool HostFileSystem::CanWrite(const std::string& path) {
  // A file marked read-only is kept even from a process that could override the mark (root):
  // the mark is its owner's wish that it is not replaced.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return ::access(path.c_str(), W_OK) == 0;
}

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<HostFileSystem>(); }

}  // namespace rz::platform

#endif  // _WIN32
