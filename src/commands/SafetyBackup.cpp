#include "commands/SafetyBackup.h"

#include <cstdio>
#include <cstring>

#include "base/Paths.h"
#include "platform/FileReplacement.h"
#include "platform/FolderPath.h"

namespace rz::commands {

namespace {

// Characters no file name may hold on any of the systems the program runs on.
bool IsForbiddenInFileName(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c);
}

// Bounds the attempts at a free name, so that a folder that refuses every file ends the search.
constexpr int kMaxBackupsPerSecond = 999;

}  // namespace

std::string BackupNameStem(const std::string& proposedName) {
  std::string stem = proposedName.substr(0, proposedName.find('\0'));
  for (char& c : stem)
    if (IsForbiddenInFileName(c)) c = '_';
  if (stem.find_first_not_of(". ") == std::string::npos) return "BIOS";
  return stem;
}

std::string BackupFileName(const std::string& stem, const platform::LocalTime& when, int n) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d", when.year, when.month, when.day,
                when.hour, when.minute, when.second);
  std::string name = stem + stamp;
  if (n > 1) name += "-" + std::to_string(n);
  return name + ".rom";
}

std::string RestoreHintText(const std::string& backupPath) {
  return "The previous BIOS was saved to " + backupPath + ". Flash that file to restore the card.";
}

std::string WriteSafetyBackup(platform::FileSystem& files, platform::System& system,
                              const std::string& keepFolder, const std::string& proposedName,
                              std::span<const std::uint8_t> image) {
  const std::string folder = keepFolder + kBackupFolderName;
  if (!platform::CreateFolderPath(files, folder)) return {};
  const std::string inFolder = folder + kPathSeparator;

  // The whole image is on disk under a temporary name before any backup name is taken.
  std::string temp;
  auto out = files.CreateUnique(inFolder, platform::kReplacementPrefix, temp);
  if (!out) return {};
  const bool written = out->Write(image.data(), image.size()) == image.size();
  const bool closed = out->Close();
  out.reset();
  if (!written || !closed) {
    files.Remove(temp);
    return {};
  }

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
    if (reserved && files.Rename(temp, path)) return path;
    files.Remove(path);
    break;
  }
  files.Remove(temp);
  return {};
}

}  // namespace rz::commands
