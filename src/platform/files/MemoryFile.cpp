// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/MemoryFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/Paths.h"

namespace rz::platform {

std::size_t MemoryFile::Read(void* buffer, std::size_t count) {
  if (closed_ || pos_ >= bytes_->size()) return 0;
  const std::size_t n = std::min(count, bytes_->size() - pos_);
  std::memcpy(buffer, bytes_->data() + pos_, n);
  pos_ += n;
  return n;
}

std::size_t MemoryFile::Write(const void* buffer, std::size_t count) {
  if (closed_ || count == 0) return 0;
  if (bytes_->size() < pos_ + count) bytes_->resize(pos_ + count, 0);
  std::memcpy(bytes_->data() + pos_, buffer, count);
  pos_ += count;
  return count;
}

bool MemoryFile::Seek(std::int64_t offset, SeekOrigin origin) {
  if (closed_) return false;
  const std::int64_t base = origin == SeekOrigin::Begin     ? 0
                            : origin == SeekOrigin::Current ? static_cast<std::int64_t>(pos_)
                                                            : static_cast<std::int64_t>(bytes_->size());
  if ((offset < 0 && base + offset < 0) ||
      (offset > 0 && base > std::numeric_limits<std::int32_t>::max() - offset))
    return false;  // before the start, or beyond what a 32-bit stream offset reaches
  pos_ = static_cast<std::size_t>(base + offset);
  return true;
}

void MemoryFileSystem::Put(const std::string& path, ByteVector bytes) {
  files_[path] = std::make_shared<ByteVector>(std::move(bytes));
}

std::shared_ptr<const ByteVector> MemoryFileSystem::Get(const std::string& path) const {
  const auto it = files_.find(path);
  return it == files_.end() ? nullptr : it->second;
}

std::unique_ptr<File> MemoryFileSystem::OpenRead(const std::string& path) {
  const auto it = files_.find(path);
  if (it == files_.end()) return nullptr;
  return std::make_unique<MemoryFile>(it->second);
}

std::unique_ptr<File> MemoryFileSystem::OpenWrite(const std::string& path) {
  if (failOpenWrite_.count(path)) return nullptr;
  auto& slot = files_[path];
  slot = std::make_shared<ByteVector>();
  return std::make_unique<MemoryFile>(slot);
}

std::unique_ptr<File> MemoryFileSystem::OpenAppend(const std::string& path) {
  if (failOpenWrite_.count(path) || readOnly_.count(path)) return nullptr;
  auto& slot = files_[path];
  if (!slot) slot = std::make_shared<ByteVector>();
  auto f = std::make_unique<MemoryFile>(slot);
  f->Seek(0, SeekOrigin::End);  // nothing else writes between the seek and the writes in memory
  return f;
}

std::unique_ptr<File> MemoryFileSystem::CreateUnique(const std::string& folder,
                                                     const std::string& prefix, std::string& path) {
  do {
    path = folder + prefix + std::to_string(++unique_) + ".tmp";
  } while (files_.count(path));
  return OpenWrite(path);
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  const auto it = files_.find(from);
  if (it == files_.end()) return false;
  auto bytes = it->second;
  files_.erase(it);
  files_[to] = std::move(bytes);
  return true;
}

bool MemoryFileSystem::Remove(const std::string& path) { return files_.erase(path) != 0; }

bool MemoryFileSystem::Copy(const std::string& from, const std::string& to) {
  const auto it = files_.find(from);
  if (it == files_.end() || failOpenWrite_.count(to)) return false;
  files_[to] = std::make_shared<ByteVector>(*it->second);
  return true;
}

std::vector<std::string> MemoryFileSystem::FileNames(const std::string& folder) {
  std::string prefix = folder;
  if (!prefix.empty() && std::string(kPathSeparators).find(prefix.back()) == std::string::npos)
    prefix += kPathSeparator;
  std::vector<std::string> names;
  for (const auto& [path, bytes] : files_) {
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string name = path.substr(prefix.size());
    if (name.find_first_of(kPathSeparators) == std::string::npos) names.push_back(name);
  }
  return names;
}

std::int64_t MemoryFileSystem::Size(const std::string& path) {
  const auto it = files_.find(path);
  return it == files_.end() ? -1 : static_cast<std::int64_t>(it->second->size());
}

}  // namespace rz::platform
