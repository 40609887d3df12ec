// SPDX-License-Identifier: GPL-3.0-or-later
// Opens a document (the help file) with the viewer the system has for it: ShellExecuteW "open",
// no owner window, empty parameters, no folder, shown.
#pragma once
#include <cstdint>

#include "platform/ShellOpen.h"

namespace rz::platform {

class WindowsShellOpen final : public ShellOpen {
 public:
  // Not waited for. The seam reports nothing; LastResult() keeps what ShellExecuteW returned
  // (above 32 when the viewer was started; SE_ERR_FNF for a path that is not UTF-8, not opened).
  void Open(const std::string& path) override;
  std::uintptr_t LastResult() const { return lastResult_; }

 private:
  std::uintptr_t lastResult_ = 0;
};

}  // namespace rz::platform
