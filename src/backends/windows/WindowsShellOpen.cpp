// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/WindowsShellOpen.h"

#include "host/windows/WideName.h"
#include "host/windows/Win32.h"
// After the system headers, which it needs.
#include <shellapi.h>

namespace rz::platform {

void WindowsShellOpen::Open(const std::string& path) {
  const win::WideName name(path);
  if (!name) {
    lastResult_ = SE_ERR_FNF;  // no file can bear a name that does not convert
    return;
  }
  const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", name.c_str(), L"", nullptr, SW_SHOW);
  lastResult_ = reinterpret_cast<std::uintptr_t>(result);
}

}  // namespace rz::platform
