// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/DirectSysfsFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace rz::platform {
namespace {

// A single path component: no separators, not "." or "..", so a name can never leave the
// device's folder.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

DirectSysfsFiles::DirectSysfsFiles(std::string root) : root_(std::move(root)) {}

DirectSysfsFiles::~DirectSysfsFiles() {
  for (const auto& [key, fd] : open_) ::close(fd);
}

std::vector<std::string> DirectSysfsFiles::Devices() const {
  std::vector<std::string> names;
  DIR* dir = ::opendir(DevicesFolder().c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (IsPlainName(name)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

int DirectSysfsFiles::Descriptor(const std::string& device, const std::string& file,
                                 bool writable) {
  if (!IsPlainName(device) || !IsPlainName(file)) return -1;
  // A read-write descriptor serves reads as well.
  if (const auto rw = open_.find({device, file, true}); rw != open_.end()) return rw->second;
  if (!writable) {
    if (const auto ro = open_.find({device, file, false}); ro != open_.end()) return ro->second;
  }
  const std::string path = DevicesFolder() + "/" + device + "/" + file;
  int fd;
  do {
    fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  open_[{device, file, writable}] = fd;
  return fd;
}

std::optional<std::string> DirectSysfsFiles::Attribute(const std::string& device,
                                                       const std::string& file) const {
  if (!IsPlainName(device) || !IsPlainName(file)) return std::nullopt;
  const std::string path = DevicesFolder() + "/" + device + "/" + file;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

}  // namespace rz::platform
