// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/WindowsRegistry.h"

#include "host/windows/Utf16.h"
#include "host/windows/WideName.h"

namespace rz::platform {

bool WindowsRegistry::OpenKey(const std::string& path) {
  open_.reset();
  const win::WideName name(path);
  HKEY key = nullptr;
  if (!name ||
      ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  open_.reset(key);
  return true;
}

std::vector<std::string> WindowsRegistry::GetKeyNames() {
  std::vector<std::string> names;
  if (!open_) return names;
  DWORD longest = 0;  // in characters, without the terminating zero
  if (::RegQueryInfoKeyW(open_.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    longest = 255;
  std::vector<wchar_t> buffer(longest + 1);
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LSTATUS status = ::RegEnumKeyExW(open_.get(), index, buffer.data(), &length, nullptr,
                                           nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // a longer name was added meanwhile
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
    // A name UTF-8 cannot carry could not be opened by name: left out.
    if (auto text = win::NarrowExact(std::wstring_view(buffer.data(), length)))
      names.push_back(std::move(*text));
    ++index;
  }
  return names;
}

bool WindowsRegistry::ValueExists(const std::string& name) {
  const win::WideName wide(name);
  return open_ && wide &&
         ::RegQueryValueExW(open_.get(), wide.c_str(), nullptr, nullptr, nullptr, nullptr) ==
             ERROR_SUCCESS;
}

std::string WindowsRegistry::ReadString(const std::string& name) {
  const win::WideName wide(name);
  if (!open_ || !wide) return {};
  DWORD type = 0;
  DWORD size = 0;  // in bytes
  if (::RegQueryValueExW(open_.get(), wide.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return {};
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    // Room for a zero the value itself may lack; an odd byte count is rounded up.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = size;
    const LSTATUS status = ::RegQueryValueExW(open_.get(), wide.c_str(), nullptr, &type,
                                              reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (status == ERROR_MORE_DATA) {  // the value grew between the two calls
      size = got;
      continue;
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    std::wstring_view text(buffer.data(), got / sizeof(wchar_t));
    // Stored with or without its terminating zero: the text ends at the first one.
    text = text.substr(0, text.find(L'\0'));
    return win::Narrow(text);
  }
  return {};
}

}  // namespace rz::platform
