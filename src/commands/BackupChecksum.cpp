// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/BackupChecksum.h"

#include "base/Paths.h"
#include "base/Sha256.h"
#include "platform/files/FileReplacement.h"

namespace rz::commands {

std::string ChecksumLine(const std::string& digestHex, const std::string& fileName) {
  std::string name;
  bool escaped = false;
  for (const char c : fileName) {
    if (c == '\\') {
      name += "\\\\";
      escaped = true;
    } else if (c == '\n') {
      name += "\\n";
      escaped = true;
    } else {
      name += c;
    }
  }
  return (escaped ? "\\" : "") + digestHex + "  " + name + "\n";
}

bool WriteChecksumFile(platform::FileSystem& files, const std::string& path,
                       const std::string& digestHex) {
  const std::string line = ChecksumLine(digestHex, FileNameOf(path));
  const std::string checksumPath = path + kChecksumSuffix;
  bool written = false;
  {
    platform::FileReplacement out(files, checksumPath);
    written = out.Out() && out.Out()->Write(line.data(), line.size()) == line.size() && out.Commit();
  }
  // A checksum file of an earlier copy by that name would now tell a wrong digest.
  if (!written && files.Kind(checksumPath) == platform::PathKind::File) files.Remove(checksumPath);
  return written;
}

ui::KeptCopy AnnounceKeptCopy(platform::FileSystem& files, ui::Ui& ui, ui::KeptCopy::Kind kind,
                              const std::string& path, std::span<const std::uint8_t> bytes) {
  ui::KeptCopy copy{kind, path, Sha256::Hex(Sha256::Of(bytes)), false};
  copy.checksumStored = WriteChecksumFile(files, path, copy.sha256);
  ui.CopyKept(copy);
  return copy;
}

}  // namespace rz::commands
