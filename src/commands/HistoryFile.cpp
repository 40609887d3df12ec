// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/HistoryFile.h"

#include "platform/files/FolderPath.h"

namespace rz::commands {

namespace {

// Whether the file's last byte is a line feed; true for a missing or empty file.
bool EndsWithLineFeed(platform::FileSystem& files, const std::string& path) {
  auto in = files.OpenRead(path);
  if (!in || !in->Seek(-1, platform::SeekOrigin::End)) return true;
  char last = '\n';
  return in->Read(&last, 1) != 1 || last == '\n';
}

}  // namespace

std::string HistoryPath(const std::string& keepFolder) { return keepFolder + kHistoryFileName; }

std::optional<std::string> AppendHistory(platform::FileSystem& files,
                                         const std::string& keepFolder,
                                         const HistoryRecord& record) {
  if (keepFolder.empty()) return std::string("the program has no folder to keep it in");
  if (!platform::CreateFolderPath(files, keepFolder))
    return "the folder " + keepFolder + " cannot be made";
  const std::string path = HistoryPath(keepFolder);
  std::string text;
  if (files.Size(path) <= 0)
    text = std::string(kHistoryHeader) + "\n";
  else if (!EndsWithLineFeed(files, path))
    text = "\n";
  text += FormatHistoryLine(record) + "\n";
  auto out = files.OpenAppend(path);
  if (!out) return path + " cannot be opened for appending";
  const bool written = out->Write(text.data(), text.size()) == text.size();
  const bool flushed = written && out->Flush();
  const bool closed = out->Close();
  if (!written) return path + " could not be written in full";
  if (!flushed || !closed) return path + " could not be written to the disk";
  return std::nullopt;
}

HistoryListing ReadHistory(platform::FileSystem& files, const std::string& path) {
  HistoryListing listing;
  auto in = files.OpenRead(path);
  if (!in) return listing;
  listing.found = true;
  std::string all;
  char block[4096];
  for (std::size_t n; (n = in->Read(block, sizeof block)) > 0;) all.append(block, n);
  std::size_t number = 0;
  for (std::size_t start = 0; start < all.size();) {
    const std::size_t end = std::min(all.find('\n', start), all.size());
    std::string line = all.substr(start, end - start);
    start = end + 1;
    ++number;
    if (line.empty() || line == "\r" || (number == 1 && line.rfind("# ", 0) == 0)) continue;
    listing.entries.push_back({number, ParseHistoryLine(line), line});
  }
  return listing;
}

}  // namespace rz::commands
