// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file the user named by new contents without ever leaving it damaged: the contents
// go into a temporary file beside the file that is replaced, which is renamed over it only after
// a complete write, a flush to the disk and a good close. What is not a plain file the user may
// write is never touched.
#pragma once
#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace rz::platform {

class FileReplacement {
 public:
  // Follows symbolic links in `target` to the file that is finally replaced (in its own folder).
  // Nothing is created when that path holds something other than a regular file (a folder, a
  // pipe, a device), a file this process may not write, or when no temporary file can be made.
  FileReplacement(FileSystem& files, const std::string& target);
  // Removes the temporary file unless Commit() put it in place.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The temporary file to write; null when the target was refused.
  File* Out() { return out_.get(); }
  // Flushes the temporary file to the disk, closes it, renames it over the target and flushes the
  // target's folder, so that the new contents survive a power cut once this returns true. False
  // when the flush, the close or the rename fails (the target is then as it was), or when the
  // folder cannot be flushed (the target then holds the new contents, which a power cut may
  // still take back).
  bool Commit();

 private:
  FileSystem& files_;
  std::string finalPath_;
  std::string tempPath_;
  std::unique_ptr<File> out_;
};

// Prefix of the temporary files: short, so that a target whose name is near the file system's
// limit can still be saved.
inline constexpr const char* kReplacementPrefix = ".rz";

}  // namespace rz::platform
