// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/LinuxRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

namespace rz::platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEnumPci = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr const char* kClass = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr const char* kDisplayClassGuid = "{4d36e968-e325-11ce-bfc1-08002be10318}";

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

std::optional<std::string> ReadLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

// A sysfs attribute such as "0x10de"; nullopt when missing or not a number.
std::optional<std::uint32_t> ReadHex(const fs::path& file) {
  const auto text = ReadLine(file);
  if (!text || text->empty()) return std::nullopt;
  try {
    std::size_t used = 0;
    const unsigned long v = std::stoul(*text, &used, 16);
    if (used != text->size() || v > 0xFFFFFFFFul) return std::nullopt;
    return static_cast<std::uint32_t>(v);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Name of the kernel module bound to the device: the last part of driver/module's link target.
std::string BoundModule(const fs::path& device) {
  std::error_code ec;
  const fs::path link = device / "driver" / "module";
  fs::path target = fs::read_symlink(link, ec);
  if (ec) {
    target = fs::canonical(link, ec);
    if (ec) return {};
  }
  return target.lexically_normal().filename().string();
}

}  // namespace

void LinuxRegistry::Add(const std::string& path, const std::string& valueName,
                        const std::string& value) {
  std::string parent;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    const std::string part = path.substr(start, end - start);
    const std::string full = parent.empty() ? part : parent + "\\" + part;
    if (!keys_.count(Upper(full))) {
      keys_[Upper(full)];
      if (!parent.empty()) keys_[Upper(parent)].children.push_back(part);
    }
    parent = full;
    start = end + 1;
  }
  if (!valueName.empty()) keys_[Upper(path)].values[valueName] = value;
}

void LinuxRegistry::Scan() {
  keys_.clear();
  scanned_ = true;
  Add(kEnumPci);
  std::error_code ec;
  std::vector<fs::path> devices;
  for (fs::directory_iterator it(fs::path(root_) / "bus" / "pci" / "devices", ec), end;
       !ec && it != end; it.increment(ec))
    devices.push_back(it->path());
  std::sort(devices.begin(), devices.end());
  for (const fs::path& d : devices) {
    const auto cls = ReadHex(d / "class");
    const auto vendor = ReadHex(d / "vendor");
    const auto device = ReadHex(d / "device");
    if (!cls || !vendor || !device || (*cls >> 16) != 0x03) continue;
    const std::uint32_t subVendor = ReadHex(d / "subsystem_vendor").value_or(0);
    const std::uint32_t subDevice = ReadHex(d / "subsystem_device").value_or(0);
    const std::uint32_t revision = ReadHex(d / "revision").value_or(0);
    char hardwareId[64];
    std::snprintf(hardwareId, sizeof hardwareId, "VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X",
                  *vendor & 0xFFFF, *device & 0xFFFF, subDevice & 0xFFFF, subVendor & 0xFFFF,
                  revision & 0xFF);
    const std::string address = d.filename().string();
    const std::string driver = std::string(kDisplayClassGuid) + "\\" + address;
    Add(std::string(kEnumPci) + "\\" + hardwareId + "\\" + address, "Driver", driver);
    const std::string classKey = std::string(kClass) + "\\" + driver;
    Add(classKey);
    const std::string module = BoundModule(d);
    if (module.empty()) continue;
    if (const auto version = ReadLine(fs::path(root_) / "module" / module / "version");
        version && !version->empty())
      Add(classKey, "DriverVersion", *version);
  }
}

bool LinuxRegistry::OpenKey(const std::string& path) {
  open_.clear();
  const std::string key = Upper(path);
  if (!scanned_ || key == Upper(kEnumPci)) Scan();
  if (!keys_.count(key)) return false;
  open_ = key;
  return true;
}

std::vector<std::string> LinuxRegistry::GetKeyNames() {
  if (open_.empty()) return {};
  return keys_[open_].children;
}

bool LinuxRegistry::ValueExists(const std::string& name) {
  return !open_.empty() && keys_[open_].values.count(name) != 0;
}

std::string LinuxRegistry::ReadString(const std::string& name) {
  if (!ValueExists(name)) return "";
  return keys_[open_].values[name];
}

}  // namespace rz::platform
