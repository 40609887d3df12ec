// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PrivateFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <random>
#include <windows.h>
#include <sddl.h>

#include "host/windows/WideName.h"
#else
#include <stdlib.h>
#endif

#include "base/Paths.h"
#include "base/Utf8Path.h"
#include "host/RemoveTree.h"

namespace rz::platform {

namespace fs = std::filesystem;

std::string TemporaryRoot() {
  std::error_code ec;
  const fs::path root = fs::temp_directory_path(ec);
  return ec ? std::string() : Utf8FromPath(root);
}

namespace {

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != kPathSeparator && folder.back() != '/')
    folder += kPathSeparator;
  return folder;
}

#ifdef _WIN32
// A folder whose access list grants full control to its creator (the owner) and to nobody else,
// inherited by what is made in it. ERROR_SUCCESS, or the error of the failed call.
DWORD CreateOwnerOnlyFolder(const std::string& path, std::string& error) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;OW)", SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    const DWORD code = GetLastError();
    error = "cannot build the folder's access list (error " + std::to_string(code) + ")";
    return code;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const win::WideName name(path);
  const BOOL made = name && CreateDirectoryW(name.c_str(), &attributes);
  const DWORD code = made ? ERROR_SUCCESS : GetLastError();
  LocalFree(descriptor);
  if (!made) error = "cannot make " + path + " (error " + std::to_string(code) + ")";
  return code;
}
#endif

}  // namespace

bool IsPrivateFolderName(const std::string& name, const std::string& prefix) {
#ifdef _WIN32
  constexpr std::size_t kRandomLength = 8;  // "%08x"
  const auto random = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
#else
  constexpr std::size_t kRandomLength = 6;  // mkdtemp's "XXXXXX"
  const auto random = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  };
#endif
  if (name.size() != prefix.size() + kRandomLength || name.compare(0, prefix.size(), prefix) != 0)
    return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     random);
}

std::optional<std::string> MakePrivateFolder(const std::string& prefix, const std::string& root,
                                             std::string* error) {
  std::string reason;
  const std::string base = root.empty() ? TemporaryRoot() : root;
  std::optional<std::string> made;
  if (base.empty()) {
    reason = "the temporary folder (TMPDIR, TMP or TEMP) is not a folder";
  } else {
#ifdef _WIN32
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !made; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
      const std::string candidate = WithSeparator(base) + prefix + suffix;
      const DWORD code = CreateOwnerOnlyFolder(candidate, reason);
      if (code == ERROR_SUCCESS)
        made = candidate;
      else if (code != ERROR_ALREADY_EXISTS)
        break;  // anything but a name taken by chance will not pass with another name
    }
#else
    std::string templ = WithSeparator(base) + prefix + "XXXXXX";
    if (::mkdtemp(templ.data()))  // mode 0700
      made = templ;
    else
      reason = "cannot make a folder in " + base + ": " + std::strerror(errno);
#endif
  }
  if (!made && error) *error = reason;
  return made;
}

PrivateFolder::PrivateFolder(const std::string& prefix, const std::string& root) {
  if (auto made = MakePrivateFolder(prefix, root, &error_)) path_ = *made;
}

PrivateFolder::~PrivateFolder() {
  if (path_.empty()) return;
  // What cannot be removed stays: nothing else can be done in a destructor.
#ifdef _WIN32
  // A program that ran in the folder (the vendor tool) may still hold it for a moment after its
  // end was reported; Wine was seen to take up to half a second. Try again for a while.
  for (int attempt = 0; !RemoveTree(path_) && attempt < 20; ++attempt) ::Sleep(50);
#else
  RemoveTree(path_);
#endif
}

std::string PrivateFolder::File(const std::string& name) const {
  return WithSeparator(path_) + name;
}

}  // namespace rz::platform
