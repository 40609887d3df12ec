// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/SafetyBackup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/Paths.h"
#include "base/Utf8Text.h"
#include "platform/files/FileReplacement.h"
#include "platform/files/FolderPath.h"

namespace rz::commands {

namespace {

// Characters no file name may hold on any of the systems the program runs on.
bool IsForbiddenInFileName(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c);
}

// Names Windows takes for its devices, whatever extension follows them.
bool IsDeviceName(std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (name == device) return true;
  return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
         std::isdigit(static_cast<unsigned char>(name[3]));
}

bool AllDigits(const std::string& text, std::size_t count) {
  return text.size() == count && std::all_of(text.begin(), text.end(), [](char c) {
           return std::isdigit(static_cast<unsigned char>(c)) != 0;
         });
}

// Bounds the attempts at a free name, so that a folder that refuses every file ends the search.
constexpr int kMaxBackupsPerSecond = 999;
constexpr const char* kBackupExtension = ".rom";

}  // namespace

std::string BackupNameStem(const std::string& proposedName) {
  std::string stem = proposedName.substr(0, proposedName.find('\0'));
  for (char& c : stem)
    if (IsForbiddenInFileName(c)) c = '_';
#ifdef _WIN32
  // Names on Windows are Unicode text, which the program holds in UTF-8: a byte of a model name
  // read from a damaged card that is no part of UTF-8 text could name no file.
  for (std::size_t i = 0; i < stem.size();) {
    const std::size_t n = Utf8SequenceLength(stem, i);
    if (n == 0) stem[i] = '_';
    i += n == 0 ? 1 : n;
  }
#endif
  const auto first = stem.find_first_not_of(' ');
  stem = first == std::string::npos ? std::string() : stem.substr(first);
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
  if (stem.empty()) return "BIOS";
  if (stem.front() == '.') stem = "BIOS" + stem;  // never a hidden file
  std::string device = stem.substr(0, stem.find('.'));
  while (!device.empty() && device.back() == ' ') device.pop_back();
  if (IsDeviceName(device)) stem.insert(device.size(), "_");
  return stem;
}

std::string BackupFileName(const std::string& stem, const platform::LocalTime& when, int n) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d", when.year, when.month, when.day,
                when.hour, when.minute, when.second);
  std::string name = stem + stamp;
  if (n > 1) name += "-" + std::to_string(n);
  return name + kBackupExtension;
}

std::optional<BackupMoment> ReadBackupMoment(const std::string& fileName) {
  if (!fileName.ends_with(kBackupExtension)) return std::nullopt;
  std::vector<std::string> parts;  // the pieces between the last few "-", last first
  std::string rest = fileName.substr(0, fileName.size() - std::strlen(kBackupExtension));
  for (int i = 0; i < 3; ++i) {
    const auto dash = rest.rfind('-');
    if (dash == std::string::npos) break;
    parts.push_back(rest.substr(dash + 1));
    rest.erase(dash);
  }
  BackupMoment m;
  if (parts.size() >= 2 && AllDigits(parts[0], 6) && AllDigits(parts[1], 8)) {
    m.stamp = parts[1] + parts[0];
    return m;
  }
  if (parts.size() == 3 && !parts[0].empty() && parts[0].size() <= 3 &&
      AllDigits(parts[0], parts[0].size()) && AllDigits(parts[1], 6) && AllDigits(parts[2], 8)) {
    m.stamp = parts[2] + parts[1];
    m.n = std::stoi(parts[0]);
    if (m.n > 1) return m;
  }
  return std::nullopt;
}

std::string RestoreHintText(const std::string& backupPath) {
  return kRestoreHintStart + backupPath + kRestoreHintEnd;
}

std::string DamagedRestoreHintText(const std::string& backupPath, const std::string& goodBackup) {
  const std::string start = kDamagedBiosStart + backupPath;
  if (goodBackup.empty()) return start + kNoGoodBackupEnd;
  return start + kNewestGoodBackupStart + goodBackup + kRestoreHintEnd;
}

std::string WriteSafetyBackup(platform::FileSystem& files, platform::System& system,
                              const std::string& keepFolder, const std::string& proposedName,
                              std::span<const std::uint8_t> image) {
  const std::string folder = keepFolder + kBackupFolderName;
  std::vector<std::string> made;
  if (!platform::CreateFolderPath(files, folder, &made)) return {};
  const std::string inFolder = folder + kPathSeparator;

  // The whole image is on the disk under a temporary name before any backup name is taken.
  std::string temp;
  auto out = files.CreateUnique(inFolder, platform::kReplacementPrefix, temp);
  if (!out) return {};
  const bool written = out->Write(image.data(), image.size()) == image.size();
  const bool flushed = written && out->Flush();
  const bool closed = out->Close();
  out.reset();
  if (!flushed || !closed) {
    files.Remove(temp);
    return {};
  }

  // The folders whose entries changed: the backup's, and the one above each folder made now.
  std::vector<std::string> changed{folder};
  for (const std::string& f : made) changed.push_back(FolderOf(f));
  const platform::LocalTime when = system.Now();
  const std::string stem = BackupNameStem(proposedName);
  for (int n = 1; n <= kMaxBackupsPerSecond; ++n) {
    const std::string path = inFolder + BackupFileName(stem, when, n);
    // The name is taken exclusively first, so that a backup made meanwhile is never replaced.
    auto placeholder = files.CreateNew(path);
    if (!placeholder) {
      if (files.Exists(path)) continue;
      break;  // the folder refuses new files
    }
    const bool reserved = placeholder->Close();
    placeholder.reset();
    if (reserved && files.Rename(temp, path) &&
        std::all_of(changed.begin(), changed.end(),
                    [&](const std::string& f) { return files.FlushFolder(f); }))
      return path;
    // Not renamed, or its name may not survive a power cut: no backup to count on.
    files.Remove(path);
    break;
  }
  files.Remove(temp);
  return {};
}

}  // namespace rz::commands
