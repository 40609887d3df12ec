// SPDX-License-Identifier: GPL-3.0-or-later
// Opens a document (the help file) with the desktop's viewer for it.
#pragma once
#include <string>

namespace rz::platform {

class ShellOpen {
 public:
  virtual ~ShellOpen() = default;
  virtual void Open(const std::string& path) = 0;
};

}  // namespace rz::platform
