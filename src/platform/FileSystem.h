// SPDX-License-Identifier: GPL-3.0-or-later
// Files the program reads and writes (BIOS images, backups, RZFLASH.CFG, exchange files).
// Behind a seam so that failures of every step (open, short write, close) can be tested.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rz::platform {

enum class SeekOrigin { Begin, Current, End };

// An open file, like a buffered C stream in binary mode.
class File {
 public:
  virtual ~File() = default;
  // Returns the number of bytes transferred (short at end of file or on error).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  virtual bool Seek(std::int64_t offset, SeekOrigin origin) = 0;
  virtual std::int64_t Tell() = 0;
  // Hands everything written so far to the disk itself (not only to the system's cache): true
  // when it would survive a power cut. The file's name needs its folder flushed as well.
  virtual bool Flush() = 0;
  // Flushes and closes; false when that reports an error. Further calls do nothing.
  virtual bool Close() = 0;
};

// What stands at a path, symbolic links followed.
enum class PathKind { Missing, File, Folder, Other };

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Existing regular file for reading; null when it cannot be opened or is anything else (a
  // folder, a pipe, a device). Never waits for a writer, as opening a pipe would.
  virtual std::unique_ptr<File> OpenRead(const std::string& path) = 0;
  // Create or truncate for writing; null on failure.
  virtual std::unique_ptr<File> OpenWrite(const std::string& path) = 0;
  // Open a regular file for appending, creating it when missing: every write goes to the file's
  // end, whoever else appends meanwhile. Null on failure (and from a file system that cannot).
  virtual std::unique_ptr<File> OpenAppend(const std::string& path) {
    (void)path;
    return nullptr;
  }
  // Create `path` for writing only when nothing stands there yet (never truncating an existing
  // file, whoever made it in the meantime); null otherwise.
  virtual std::unique_ptr<File> CreateNew(const std::string& path) = 0;
  // Create a new file with a unique name in `folder` (exclusively); sets `path`. Null on failure.
  virtual std::unique_ptr<File> CreateUnique(const std::string& folder, const std::string& prefix,
                                             std::string& path) = 0;
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Remove(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Copies, overwriting `to`. False on failure. A file copied onto itself (by another name too)
  // stays as it is, and that is success.
  virtual bool Copy(const std::string& from, const std::string& to) = 0;
  // Size in bytes; -1 when the file cannot be opened.
  virtual std::int64_t Size(const std::string& path) = 0;
  virtual PathKind Kind(const std::string& path) = 0;
  // `path` with its symbolic links followed to the name they finally lead to (which need not
  // exist); `path` itself when it is no link. Empty when the links cannot be followed (a loop).
  virtual std::string FinalTarget(const std::string& path) = 0;
  // True when this process may write the existing file at `path`.
  virtual bool CanWrite(const std::string& path) = 0;
  // Makes the folder `path` (its parent must exist). True when a folder stands there afterwards,
  // made now or before.
  virtual bool CreateFolder(const std::string& path) { return Kind(path) == PathKind::Folder; }
  // Hands the folder's entries (files made, renamed or removed in it) to the disk itself: true
  // when they would survive a power cut.
  virtual bool FlushFolder(const std::string& path) = 0;
  // Names of the regular files in `folder` (links followed), in no particular order; empty when
  // there are none or the folder cannot be read.
  virtual std::vector<std::string> FileNames(const std::string& folder) = 0;
};

// Hands every call to another file system; decorators override what they change.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}
  std::unique_ptr<File> OpenRead(const std::string& p) override { return inner_.OpenRead(p); }
  std::unique_ptr<File> OpenWrite(const std::string& p) override { return inner_.OpenWrite(p); }
  std::unique_ptr<File> OpenAppend(const std::string& p) override { return inner_.OpenAppend(p); }
  std::unique_ptr<File> CreateNew(const std::string& p) override { return inner_.CreateNew(p); }
  std::unique_ptr<File> CreateUnique(const std::string& folder, const std::string& prefix,
                                     std::string& path) override {
    return inner_.CreateUnique(folder, prefix, path);
  }
  bool Rename(const std::string& a, const std::string& b) override { return inner_.Rename(a, b); }
  bool Remove(const std::string& p) override { return inner_.Remove(p); }
  bool Exists(const std::string& p) override { return inner_.Exists(p); }
  bool Copy(const std::string& a, const std::string& b) override { return inner_.Copy(a, b); }
  std::int64_t Size(const std::string& p) override { return inner_.Size(p); }
  PathKind Kind(const std::string& p) override { return inner_.Kind(p); }
  std::string FinalTarget(const std::string& p) override { return inner_.FinalTarget(p); }
  bool CanWrite(const std::string& p) override { return inner_.CanWrite(p); }
  bool CreateFolder(const std::string& p) override { return inner_.CreateFolder(p); }
  bool FlushFolder(const std::string& p) override { return inner_.FlushFolder(p); }
  std::vector<std::string> FileNames(const std::string& p) override { return inner_.FileNames(p); }

 protected:
  FileSystem& Inner() { return inner_; }

 private:
  FileSystem& inner_;
};

// The host's real file system through the C library.
std::unique_ptr<FileSystem> MakeHostFileSystem();

}  // namespace rz::platform
