// SPDX-License-Identifier: GPL-3.0-or-later
// Keys a test puts below HKEY_LOCAL_MACHINE. The keys it owns are removed with everything below
// them when the scene is set up (what a cut-short run left) and again when it goes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace rz::test {

class RegistryScene {
 public:
  explicit RegistryScene(std::vector<std::string> ownedKeys);
  ~RegistryScene();
  RegistryScene(const RegistryScene&) = delete;
  RegistryScene& operator=(const RegistryScene&) = delete;

  // Creates `path` and the keys above it; false when the registry refuses.
  bool AddKey(const std::string& path);
  bool SetString(const std::string& path, const std::string& name, const std::string& value,
                 std::uint32_t type = 1 /* REG_SZ */);
  // Raw bytes of any type, as they are stored.
  bool SetBytes(const std::string& path, const std::string& name, std::uint32_t type,
                const std::string& bytes);

  // Whether `path` exists.
  static bool KeyExists(const std::string& path);

 private:
  void RemoveOwned();
  std::vector<std::string> owned_;
};

}  // namespace rz::test
