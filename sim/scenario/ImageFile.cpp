// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/ImageFile.h"

#include <algorithm>
#include <filesystem>

#include "base/Utf8Path.h"

#include "platform/FileSystem.h"
#include "platform/files/FileReplacement.h"
#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

std::vector<std::uint8_t> ReadImageFile(const std::string& path, std::size_t limit, bool persist,
                                        const std::string& what) {
  const auto files = platform::MakeHostFileSystem();
  switch (files->Kind(path)) {
    case platform::PathKind::Folder:
      throw ScenarioError(what + " " + path + " is a folder, not a file");
    case platform::PathKind::Other:
      throw ScenarioError(what + " " + path + " is not a regular file");
    case platform::PathKind::Missing:
    case platform::PathKind::File:
      break;
  }
  // The host's reading never waits on a pipe and takes regular files only.
  const auto file = files->OpenRead(path);
  if (!file) throw ScenarioError("cannot read " + what + " " + path);

  // One byte more than the limit tells a file that is too long from one that fits exactly.
  std::vector<std::uint8_t> bytes(limit + 1);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const std::size_t n = file->Read(bytes.data() + got, bytes.size() - got);
    if (n == 0) break;
    got += n;
  }
  if (got > limit && persist)
    throw ScenarioError(what + " " + path + " is larger than the " + std::to_string(limit) +
                        " bytes of the EEPROM it is written back from");
  bytes.resize(std::min(got, limit));
  return bytes;
}

bool ImageFileMissing(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(PathFromUtf8(path), ec);
  return status.type() == std::filesystem::file_type::not_found;
}

void WriteImageFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const auto fail = [&](const char* reason) {
    throw ScenarioError("cannot write the EEPROM image back to " + path + ": " + reason);
  };
  // Written as every save is: through a link to the file it leads to, into a temporary file
  // beside that file, which replaces it only when complete.
  const auto files = platform::MakeHostFileSystem();
  platform::FileReplacement out(*files, path);
  if (!out.Out()) fail("it is not a plain file that may be written, or its folder is gone");
  if (out.Out()->Write(bytes.data(), bytes.size()) != bytes.size()) fail("the write stopped short");
  if (!out.Commit()) fail("the new image could not be closed or put in place");
}

}  // namespace rz::sim
