// SPDX-License-Identifier: GPL-3.0-or-later
// Read-only walk of HKEY_LOCAL_MACHINE with the registry's own wide calls (RegOpenKeyExW with
// KEY_READ, RegEnumKeyExW, RegQueryValueExW), one open key at a time; names and texts in UTF-8.
#pragma once
#include <string>
#include <vector>

#include "host/windows/OwnedHandles.h"
#include "platform/Registry.h"

namespace rz::platform {

class WindowsRegistry final : public Registry {
 public:
  bool OpenKey(const std::string& path) override;
  bool OpenKeyReadOnly(const std::string& path) override { return OpenKey(path); }
  // Empty when no key is open.
  std::vector<std::string> GetKeyNames() override;
  bool ValueExists(const std::string& name) override;
  // The text of a REG_SZ or REG_EXPAND_SZ value (not expanded), without its terminating zero;
  // empty for a missing value or one of another type.
  std::string ReadString(const std::string& name) override;
  void CloseKey() override { open_.reset(); }

 private:
  win::OwnedKey open_;
};

}  // namespace rz::platform
