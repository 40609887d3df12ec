// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuiltPaths.h"

#include <cstring>
#include <memory>

#include "host/windows/Win32.h"

namespace rz::test {

std::string HostPath(const char* built) {
  std::string path = built;
  if (!path.empty() && path[0] == '/') {
    // Wine's own translation of a path of the host machine (absent on Windows itself).
    using ToDos = WCHAR* (*)(const char*);
    const FARPROC proc =
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
    ToDos toDos = nullptr;
    if (proc) std::memcpy(&toDos, &proc, sizeof toDos);
    if (WCHAR* dos = toDos ? toDos(built) : nullptr) {
      char narrow[MAX_PATH * 4] = {};
      ::WideCharToMultiByte(CP_ACP, 0, dos, -1, narrow, sizeof narrow, nullptr, nullptr);
      ::HeapFree(::GetProcessHeap(), 0, dos);
      return narrow;
    }
  }
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string CliPath() { return HostPath(RZ_CLI_BUILT); }
std::string InstanceProbePath() { return HostPath(RZ_INSTANCE_PROBE_BUILT); }
std::string ConsoleProbePath() { return HostPath(RZ_CONSOLE_PROBE_BUILT); }
std::string ImageToolPath() { return HostPath(RZ_IMAGE_TOOL_BUILT); }
std::string OsVersionStandinPath() { return HostPath(RZ_OSVERSION_STANDIN_BUILT); }
std::string VendorToolStandinPath() { return HostPath(RZ_VENDORTOOL_STANDIN_BUILT); }

}  // namespace rz::test
