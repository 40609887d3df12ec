// SPDX-License-Identifier: GPL-3.0-or-later
// What the emulated machine's disk still holds after a power cut. The program's changes sit in the
// system's cache until it flushes them: a file's contents by File::Flush, a folder's entries
// (files and folders made, renamed or removed in it) by FileSystem::FlushFolder. The host's files
// always show the cached state; LosePower turns them into what the disk holds.
//
// Invariants: only paths the program changed are followed (their state before the first change
// counts as on the disk); what stands at a followed path and is neither a plain file nor a folder
// (a link, a pipe, a device) is never followed and never touched; once the power is gone, flushes
// no longer reach the disk.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rz::sim {

class DiskCache {
 public:
  // A file or folder, wherever its name stands now.
  using Node = std::size_t;

  // Asked before every flush: true once the machine has lost its power.
  void SetPowerGone(std::function<bool()> gone) { powerGone_ = std::move(gone); }

  // Before the program changes `path`: the first time, what stands there is taken as on the disk.
  void Before(const std::string& path);
  // After the program made a new folder, or a new file at a name nothing stood at, at `path`.
  void Made(const std::string& path, bool folder);
  // After the program opened `path` for writing (made or emptied it, or copied onto it): the
  // file's node; none when the path is not followed.
  std::optional<Node> Opened(const std::string& path);
  void Renamed(const std::string& from, const std::string& to);
  void Removed(const std::string& path);

  // The file's contents as they are now reached the disk.
  void FileFlushed(Node node);
  // The entries of `folder` as they are now reached the disk.
  void FolderFlushed(const std::string& folder);

  // The power goes: every followed path on the host becomes what the disk holds (a file made or
  // renamed in a folder never flushed since is gone or back under its old name, a file's
  // unflushed contents are back as they were flushed last, a folder made and never flushed is
  // gone with everything in it).
  void LosePower();

  // The paths followed so far: the only ones LosePower may change.
  std::vector<std::string> Paths() const;

 private:
  struct Entry {
    bool folder = false;
    std::vector<std::uint8_t> durable;  // a file's contents on the disk
  };
  static std::string Key(const std::string& path);
  bool Followed(const std::string& key) const { return current_.count(key) != 0; }
  bool PowerGone() const { return powerGone_ && powerGone_(); }
  Node NewNode(bool folder, std::vector<std::uint8_t> bytes = {});

  std::vector<Entry> nodes_;
  std::map<std::string, std::optional<Node>> current_;  // by path: what stands there now
  std::map<std::string, std::optional<Node>> durable_;  // by path: what stands there on the disk
  std::set<std::string> untouchable_;                    // links, pipes, devices
  std::function<bool()> powerGone_;
};

}  // namespace rz::sim
