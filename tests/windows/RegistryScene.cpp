// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegistryScene.h"

#include "host/windows/OwnedHandles.h"

namespace rz::test {

namespace {

platform::win::OwnedKey Create(const std::string& path) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return {};
  return platform::win::OwnedKey(key);
}

}  // namespace

RegistryScene::RegistryScene(std::vector<std::string> ownedKeys) : owned_(std::move(ownedKeys)) {
  RemoveOwned();
}

RegistryScene::~RegistryScene() { RemoveOwned(); }

void RegistryScene::RemoveOwned() {
  for (const auto& path : owned_) {
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());  // what lies below it
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());   // the key itself, where still there
  }
}

bool RegistryScene::AddKey(const std::string& path) { return static_cast<bool>(Create(path)); }

bool RegistryScene::SetString(const std::string& path, const std::string& name,
                              const std::string& value, std::uint32_t type) {
  return SetBytes(path, name, type, std::string(value.c_str(), value.size() + 1));
}

bool RegistryScene::SetBytes(const std::string& path, const std::string& name, std::uint32_t type,
                             const std::string& bytes) {
  const auto key = Create(path);
  return key && ::RegSetValueExA(key.get(), name.c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool RegistryScene::KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(key);
  return true;
}

}  // namespace rz::test
