// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-demo.exe: the windowed program on the emulated machine. One optional argument: a machine
// preset name or a scenario JSON file (default "nvidia-spi"). The skin, help file and
// configuration beside this executable are copied into the machine's program folder where it
// lacks them.
#include <cstdio>
#include <string>

#include "app/ExitCodes.h"
#include "host/windows/Win32.h"
// after the system headers it needs
#include <shellapi.h>
#include "sim/scenario/DemoMachine.h"
#include "skin/WindowSession.h"
#include "win32/DemoScreenshots.h"
#include "host/windows/Utf16.h"
#include "win32/Win32Main.h"

namespace {

// The program's arguments as UTF-8.
std::string MachineArgument() {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::string machine = count > 1 && args ? rz::platform::win::Narrow(args[1]) : "nvidia-spi";
  ::LocalFree(args);
  return machine;
}

std::string OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return rz::platform::win::Narrow(folder.substr(0, folder.find_last_of(L"\\/")));
}

void Complain(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  ::MessageBoxW(nullptr, rz::platform::win::Widen(text).c_str(), L"rzflash-demo", MB_OK | MB_ICONERROR);
}

}  // namespace

int main() {
  rz::sim::DemoMachine demo;
  try {
    demo = rz::sim::LoadDemoMachine(MachineArgument(), OwnFolder());
  } catch (const std::exception& e) {
    Complain(rz::sim::DemoUsage("rzflash-demo", e.what()));
    return rz::app::kExitUsage;
  }
  for (const auto& w : demo.warnings) std::fprintf(stderr, "rzflash-demo: warning: %s\n", w.c_str());
  const int status = rz::win32::RunWin32Gui(demo.platform->Seams(), rz::skin::ProgramCommands(),
                                            rz::win32::DemoScreenshotHook());
  try {
    demo.platform->Finish();  // writes persistent EEPROM images back
  } catch (const std::exception& e) {
    Complain(std::string("rzflash-demo: ") + e.what() + "\n");
    return rz::app::kExitUsage;
  }
  return status;
}
