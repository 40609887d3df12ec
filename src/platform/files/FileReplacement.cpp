// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/FileReplacement.h"

#include "base/Paths.h"

namespace rz::platform {

FileReplacement::FileReplacement(FileSystem& files, const std::string& target) : files_(files) {
  if (target.empty()) return;
  finalPath_ = files_.FinalTarget(target);
  if (finalPath_.empty()) return;
  switch (files_.Kind(finalPath_)) {
    case PathKind::Missing:
      break;
    case PathKind::File:
      if (!files_.CanWrite(finalPath_)) return;
      break;
    case PathKind::Folder:
    case PathKind::Other:
      return;
  }
  out_ = files_.CreateUnique(FolderOf(finalPath_), kReplacementPrefix, tempPath_);
  if (!out_) tempPath_.clear();
}

FileReplacement::~FileReplacement() {
  if (out_) out_->Close();
  if (!tempPath_.empty()) files_.Remove(tempPath_);
}

bool FileReplacement::Commit() {
  if (!out_) return false;
  // The contents reach the disk before they bear the target's name, and the name before success
  // is reported: a power cut leaves the old file or the new one, each whole.
  const bool flushed = out_->Flush();
  const bool closed = out_->Close();
  out_.reset();
  if (!flushed || !closed || !files_.Rename(tempPath_, finalPath_)) return false;
  tempPath_.clear();
  const std::string folder = FolderOf(finalPath_);
  return files_.FlushFolder(folder.empty() ? "." : folder);
}

}  // namespace rz::platform
