// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/WindowsToolLauncher.h"

#include "host/windows/OwnedHandles.h"
#include "host/windows/WideName.h"
// After the system headers, which they need.
#include <objbase.h>
#include <shellapi.h>

namespace rz::platform {
namespace {

// The shell may hand a launch to its extensions, which need COM on the calling thread; launches
// come from any thread (the windowed program waits for the tool on a worker thread).
class ComOnThisThread {
 public:
  ComOnThisThread()
      : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComOnThisThread() {
    if (SUCCEEDED(result_)) ::CoUninitialize();  // only a call that took it gives it back
  }
  ComOnThisThread(const ComOnThisThread&) = delete;
  ComOnThisThread& operator=(const ComOnThisThread&) = delete;

 private:
  HRESULT result_;
};

}  // namespace

LaunchResult WindowsToolLauncher::RunAndWait(const std::string& path,
                                             const std::string& parameters,
                                             const std::string& folder) {
  return RunAndWatch(path, parameters, folder, {});
}

LaunchResult WindowsToolLauncher::RunAndWatch(const std::string& path,
                                              const std::string& parameters,
                                              const std::string& folder, const WaitWatch& watch) {
  // The tool's files are taken in its current folder: in any other folder it could take an old
  // "Flash.bin" for the one just prepared. Not every shell refuses a folder that is not there
  // (Wine starts the program in a folder of its own choice), so it is looked at first.
  const win::WideName wideFolder(folder);
  if (!folder.empty()) {
    const DWORD attributes =
        wideFolder ? ::GetFileAttributesW(wideFolder.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      lastError_ = wideFolder ? ERROR_DIRECTORY : ::GetLastError();
      return {};
    }
  }
  // The program and its parameters reach the tool exactly as given, or the tool is not started.
  const win::WideName widePath(path);
  const win::WideName wideParameters(parameters);
  if (!widePath || !wideParameters) {
    lastError_ = ::GetLastError();
    return {};
  }
  const ComOnThisThread com;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // No system error box for a tool that cannot start: the command reports the failure itself,
  // once, and nothing waits for a person to dismiss a box the program knows nothing of.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = nullptr;  // no window of the program's own stands behind this seam
  info.lpVerb = L"open";
  info.lpFile = widePath.c_str();
  info.lpParameters = wideParameters.c_str();  // an empty text stays a text, never a missing one
  info.lpDirectory = folder.empty() ? nullptr : wideFolder.c_str();
  info.nShow = SW_SHOW;
  const BOOL launched = ::ShellExecuteExW(&info);
  lastError_ = launched ? 0 : ::GetLastError();
  win::OwnedHandle process(info.hProcess);
  if (!launched || !process) return {};
  // Waited for without a limit; with a watch, in steps of its interval.
  const DWORD step = watch.Active() ? watch.intervalMs : INFINITE;
  for (std::uint64_t waited = 0;
       ::WaitForSingleObject(process.get(), step) == WAIT_TIMEOUT;) {
    waited += step;
    watch.onInterval(waited);
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code)) {
    lastError_ = ::GetLastError();
    return LaunchResult{true, -1};
  }
  return LaunchResult{true, static_cast<int>(code)};
}

}  // namespace rz::platform
