// SPDX-License-Identifier: GPL-3.0-or-later
// Read-only walk of the system's configuration tree below HKEY_LOCAL_MACHINE, one open key at a
// time, as the display-driver version check needs it.
#pragma once
#include <string>
#include <vector>

namespace rz::platform {

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens an existing key (never creates one); closes the key open before. False when missing.
  virtual bool OpenKey(const std::string& path) = 0;
  virtual bool OpenKeyReadOnly(const std::string& path) = 0;
  // Names of the open key's direct subkeys, in enumeration order.
  virtual std::vector<std::string> GetKeyNames() = 0;
  virtual bool ValueExists(const std::string& name) = 0;
  // Text of a string value of the open key; empty when missing.
  virtual std::string ReadString(const std::string& name) = 0;
  virtual void CloseKey() = 0;
};

}  // namespace rz::platform
