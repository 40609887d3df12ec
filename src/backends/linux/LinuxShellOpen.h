// SPDX-License-Identifier: GPL-3.0-or-later
// Opens a document with the desktop's opener (xdg-open), detached and not waited for.
#pragma once
#include "platform/ShellOpen.h"

namespace rz::platform {

class LinuxShellOpen final : public ShellOpen {
 public:
  // `opener` is found in PATH unless it holds a '/'; tests give a harmless one.
  explicit LinuxShellOpen(std::string opener = "xdg-open") : opener_(std::move(opener)) {}
  void Open(const std::string& path) override;

 private:
  std::string opener_;
};

}  // namespace rz::platform
