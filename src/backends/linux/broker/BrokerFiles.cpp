// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/broker/BrokerFiles.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>

namespace rz::platform {
namespace {

constexpr std::uint64_t kVendorNvidia = 0x10DE;
constexpr std::uint64_t kVendorAti = 0x1002;
constexpr std::uint64_t kDisplayClass = 0x03;
constexpr std::uint64_t kResourceMemory = 0x200;  // IORESOURCE_MEM in a `resource` line
constexpr int kBarCount = 6;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

std::optional<std::uint64_t> ParseHex(const std::string& text) {
  if (text.size() < 3 || text[0] != '0' || text[1] != 'x') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str() + 2, &end, 16);
  if (errno != 0 || end == text.c_str() + 2) return std::nullopt;
  return value;
}

// The first word of a small sysfs attribute as a 0x-prefixed number.
std::optional<std::uint64_t> ReadHexAttribute(const std::string& path) {
  std::ifstream in(path);
  std::string word;
  if (!(in >> word)) return std::nullopt;
  return ParseHex(word);
}

// Indexes of the BARs that hold memory, from the device's `resource` file.
std::vector<int> MemoryBars(const std::string& path) {
  std::vector<int> bars;
  std::ifstream in(path);
  std::string start, end, flags;
  for (int bar = 0; bar < kBarCount && (in >> start >> end >> flags); ++bar) {
    const auto s = ParseHex(start), f = ParseHex(flags);
    if (s && f && *s != 0 && (*f & kResourceMemory) != 0) bars.push_back(bar);
  }
  return bars;
}

bool QualifiesForWriting(const std::string& folder) {
  const auto cls = ReadHexAttribute(folder + "/class");
  const auto vendor = ReadHexAttribute(folder + "/vendor");
  return cls && vendor && (*cls >> 16) == kDisplayClass &&
         (*vendor == kVendorNvidia || *vendor == kVendorAti);
}

void Open(std::vector<BrokerFile>& into, const std::string& device, const std::string& folder,
          const std::string& file, bool writable) {
  const std::string path = folder + "/" + file;
  UniqueFd fd(::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW));
  if (fd.Valid()) into.push_back({device, file, writable, std::move(fd)});
}

std::vector<std::string> DeviceNames(const std::string& devicesFolder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(devicesFolder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir))
    if (IsPciDeviceName(entry->d_name)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool IsPciDeviceName(std::string_view name) {
  // DDDD:BB:DD.F with 4 to 8 domain digits
  const auto colon = name.find(':');
  if (colon == std::string_view::npos || colon < 4 || colon > 8) return false;
  if (name.size() != colon + 8) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const std::size_t k = i - colon;  // position after the domain
    const char c = name[i];
    if (i == colon || k == 3) {
      if (c != ':') return false;
    } else if (k == 6) {
      if (c != '.') return false;
    } else if (k == 7) {
      if (c < '0' || c > '7') return false;
    } else if (!IsHex(c)) {
      return false;
    }
  }
  return true;
}

std::vector<BrokerFile> OpenBrokerFiles(const std::string& sysfsRoot) {
  const std::string devices = sysfsRoot + "/bus/pci/devices";
  std::vector<BrokerFile> files;
  for (const auto& name : DeviceNames(devices)) {
    const std::string folder = devices + "/" + name;
    const std::size_t before = files.size();
    if (QualifiesForWriting(folder)) {
      Open(files, name, folder, "config", true);
      for (const int bar : MemoryBars(folder + "/resource"))
        Open(files, name, folder, "resource" + std::to_string(bar), true);
    }
    // Read-only where read-write was refused (or not asked for).
    if (files.size() == before || files[before].file != "config") Open(files, name, folder, "config", false);
  }
  return files;
}

}  // namespace rz::platform
