// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/Recorders.h"

#include <algorithm>
#include <cctype>

namespace rz::sim {

std::string EmulatedRegistry::Normal(const std::string& path) {
  std::string out = path;
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

void EmulatedRegistry::Set(const std::string& keyPath, const std::string& name,
                           const std::string& value) {
  std::string parent;
  std::size_t start = 0;
  while (start <= keyPath.size()) {
    const std::size_t end = std::min(keyPath.find('\\', start), keyPath.size());
    const std::string part = keyPath.substr(start, end - start);
    const std::string full = parent.empty() ? part : parent + "\\" + part;
    if (!keys_.count(Normal(full))) {
      keys_[Normal(full)];
      if (!parent.empty()) keys_[Normal(parent)].children.push_back(part);
    }
    parent = full;
    start = end + 1;
  }
  if (!name.empty()) keys_[Normal(keyPath)].values[name] = value;
}

bool EmulatedRegistry::OpenKey(const std::string& path) {
  open_.clear();
  if (!keys_.count(Normal(path))) return false;
  open_ = Normal(path);
  return true;
}

std::vector<std::string> EmulatedRegistry::GetKeyNames() {
  if (open_.empty()) return {};
  return keys_[open_].children;
}

bool EmulatedRegistry::ValueExists(const std::string& name) {
  return !open_.empty() && keys_[open_].values.count(name) != 0;
}

std::string EmulatedRegistry::ReadString(const std::string& name) {
  if (!ValueExists(name)) return "";
  return keys_[open_].values[name];
}

}  // namespace rz::sim
