#include "backends/windows/WindowsShellOpen.h"

#include "host/windows/Win32.h"
// After the system headers, which it needs.
#include <shellapi.h>

namespace rz::platform {

void WindowsShellOpen::Open(const std::string& path) {
  const HINSTANCE result =
      ::ShellExecuteA(nullptr, "open", path.c_str(), "", nullptr, SW_SHOW);
  lastResult_ = reinterpret_cast<std::uintptr_t>(result);
}

}  // namespace rz::platform
