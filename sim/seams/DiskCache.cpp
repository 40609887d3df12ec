// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/DiskCache.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/Utf8Path.h"

namespace rz::sim {

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> ReadHostFile(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary | std::ios::ate);
  std::vector<std::uint8_t> bytes;
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  if (size <= 0) return bytes;
  bytes.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// What stands at `path` itself (a link is not followed).
fs::file_type TypeAt(const std::string& path) {
  std::error_code ec;
  return fs::symlink_status(PathFromUtf8(path), ec).type();
}

std::string ParentOf(const std::string& key) {
  return Utf8FromPath(PathFromUtf8(key).parent_path());
}

}  // namespace

std::string DiskCache::Key(const std::string& path) {
  std::string key = Utf8FromPath(PathFromUtf8(path).lexically_normal());
  while (key.size() > 1 && (key.back() == '/' || key.back() == fs::path::preferred_separator))
    key.pop_back();
  return key;
}

DiskCache::Node DiskCache::NewNode(bool folder, std::vector<std::uint8_t> bytes) {
  nodes_.push_back(Entry{folder, std::move(bytes)});
  return nodes_.size() - 1;
}

void DiskCache::Before(const std::string& path) {
  const std::string key = Key(path);
  if (Followed(key) || untouchable_.count(key)) return;
  std::optional<Node> there;
  switch (TypeAt(key)) {
    case fs::file_type::not_found: break;
    case fs::file_type::regular: there = NewNode(false, ReadHostFile(key)); break;
    case fs::file_type::directory: there = NewNode(true); break;
    default: untouchable_.insert(key); return;
  }
  current_[key] = there;
  durable_[key] = there;
}

void DiskCache::Made(const std::string& path, bool folder) {
  const std::string key = Key(path);
  if (untouchable_.count(key)) return;
  if (!Followed(key)) durable_[key] = std::nullopt;  // nothing stood there before
  const auto& now = current_[key];
  if (now && nodes_[*now].folder == folder) return;  // there before: nothing new
  current_[key] = NewNode(folder);
}

std::optional<DiskCache::Node> DiskCache::Opened(const std::string& path) {
  const std::string key = Key(path);
  if (untouchable_.count(key)) return std::nullopt;
  if (!Followed(key)) durable_[key] = std::nullopt;
  auto& now = current_[key];
  if (!now || nodes_[*now].folder) now = NewNode(false);
  return now;
}

void DiskCache::Renamed(const std::string& from, const std::string& to) {
  const std::string a = Key(from), b = Key(to);
  if (!Followed(a) || !Followed(b)) return;
  current_[b] = current_[a];
  current_[a] = std::nullopt;
}

void DiskCache::Removed(const std::string& path) {
  const std::string key = Key(path);
  if (Followed(key)) current_[key] = std::nullopt;
}

void DiskCache::FileFlushed(Node node) {
  if (PowerGone() || node >= nodes_.size()) return;
  for (const auto& [key, now] : current_) {
    if (now == node) {
      nodes_[node].durable = ReadHostFile(key);
      return;
    }
  }
}

void DiskCache::FolderFlushed(const std::string& folder) {
  if (PowerGone()) return;
  const std::string key = Key(folder);
  for (const auto& [path, now] : current_)
    if (ParentOf(path) == key) durable_[path] = now;
}

std::vector<std::string> DiskCache::Paths() const {
  std::vector<std::string> paths;
  for (const auto& entry : current_) paths.push_back(entry.first);
  return paths;
}

void DiskCache::LosePower() {
  // Children sort after their parents: first away with what the disk does not hold, deepest
  // first, then back with what it holds, parents first.
  for (auto it = current_.rbegin(); it != current_.rend(); ++it) {
    const auto& [key, now] = *it;
    if (!now || durable_[key] == now) continue;
    std::error_code ec;
    const fs::file_type type = TypeAt(key);
    if (type == fs::file_type::directory)
      fs::remove_all(PathFromUtf8(key), ec);
    else if (type == fs::file_type::regular)
      fs::remove(PathFromUtf8(key), ec);
  }
  for (const auto& [key, was] : durable_) {
    std::error_code ec;
    // Gone with its folder.
    if (!was || !fs::is_directory(PathFromUtf8(ParentOf(key)), ec)) continue;
    const Entry& entry = nodes_[*was];
    if (entry.folder) {
      fs::create_directory(PathFromUtf8(key), ec);
      continue;
    }
    const fs::file_type type = TypeAt(key);
    if (type != fs::file_type::regular && type != fs::file_type::not_found) continue;
    std::ofstream out(PathFromUtf8(key), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(entry.durable.data()),
              static_cast<std::streamsize>(entry.durable.size()));
  }
  current_ = durable_;
}

}  // namespace rz::sim
