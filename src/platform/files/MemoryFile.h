// SPDX-License-Identifier: GPL-3.0-or-later
// Files held in memory: a File over a shared byte vector and a FileSystem of such files. Used
// where parsers run without a disk (fuzzing, unit tests).
#pragma once
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/FileSystem.h"

namespace rz::platform {

using ByteVector = std::vector<std::uint8_t>;

// Behaves like a binary C stream: reads stop at the end, seeking past the end is allowed (a later
// write fills the gap with zeros), seeking before the start fails.
class MemoryFile final : public File {
 public:
  explicit MemoryFile(std::shared_ptr<ByteVector> bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  bool Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Tell() override { return closed_ ? -1 : static_cast<std::int64_t>(pos_); }
  // Memory has no cache in front of it.
  bool Flush() override { return !closed_; }
  bool Close() override {
    closed_ = true;
    return true;
  }

 private:
  std::shared_ptr<ByteVector> bytes_;
  std::size_t pos_ = 0;
  bool closed_ = false;
};

class MemoryFileSystem final : public FileSystem {
 public:
  // Puts a file (replacing one of the same name).
  void Put(const std::string& path, ByteVector bytes);
  // Contents of a file; null when there is none.
  std::shared_ptr<const ByteVector> Get(const std::string& path) const;
  // Paths that cannot be created for writing.
  std::set<std::string>& FailOpenWrite() { return failOpenWrite_; }
  // Files marked read-only.
  std::set<std::string>& ReadOnly() { return readOnly_; }

  std::unique_ptr<File> OpenRead(const std::string& path) override;
  std::unique_ptr<File> OpenWrite(const std::string& path) override;
  std::unique_ptr<File> OpenAppend(const std::string& path) override;
  std::unique_ptr<File> CreateNew(const std::string& path) override {
    return Exists(path) ? nullptr : OpenWrite(path);
  }
  std::unique_ptr<File> CreateUnique(const std::string& folder, const std::string& prefix,
                                     std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  bool Copy(const std::string& from, const std::string& to) override;
  std::int64_t Size(const std::string& path) override;
  PathKind Kind(const std::string& path) override {
    return Exists(path) ? PathKind::File : PathKind::Missing;
  }
  std::string FinalTarget(const std::string& path) override { return path; }
  bool CanWrite(const std::string& path) override {
    return Exists(path) && readOnly_.count(path) == 0;
  }
  // Folders are implied by the names of the files in them.
  bool CreateFolder(const std::string&) override { return true; }
  bool FlushFolder(const std::string&) override { return true; }
  std::vector<std::string> FileNames(const std::string& folder) override;

 private:
  std::map<std::string, std::shared_ptr<ByteVector>> files_;
  std::set<std::string> failOpenWrite_;
  std::set<std::string> readOnly_;
  std::uint32_t unique_ = 0;
};

}  // namespace rz::platform
