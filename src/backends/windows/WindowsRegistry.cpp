#include "backends/windows/WindowsRegistry.h"

namespace rz::platform {

bool WindowsRegistry::OpenKey(const std::string& path) {
  open_.reset();
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  open_.reset(key);
  return true;
}

std::vector<std::string> WindowsRegistry::GetKeyNames() {
  std::vector<std::string> names;
  if (!open_) return names;
  DWORD longest = 0;
  if (::RegQueryInfoKeyA(open_.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    longest = 255;
  std::vector<char> buffer(longest + 1);
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LSTATUS status = ::RegEnumKeyExA(open_.get(), index, buffer.data(), &length, nullptr,
                                           nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // a longer name was added meanwhile
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
    names.emplace_back(buffer.data(), length);
    ++index;
  }
  return names;
}

bool WindowsRegistry::ValueExists(const std::string& name) {
  return open_ && ::RegQueryValueExA(open_.get(), name.c_str(), nullptr, nullptr, nullptr,
                                     nullptr) == ERROR_SUCCESS;
}

std::string WindowsRegistry::ReadString(const std::string& name) {
  if (!open_) return {};
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExA(open_.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return {};
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::vector<char> buffer(size + 1, '\0');  // room for a zero the value itself may lack
    DWORD got = size;
    const LSTATUS status = ::RegQueryValueExA(
        open_.get(), name.c_str(), nullptr, &type,
        reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (status == ERROR_MORE_DATA) {  // the value grew between the two calls
      size = got;
      continue;
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    std::string text(buffer.data(), got);
    // Stored with or without its terminating zero: the text ends at the first one.
    const auto zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
  }
  return {};
}

}  // namespace rz::platform
