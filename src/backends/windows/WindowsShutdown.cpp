// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/WindowsShutdown.h"

#include "host/windows/OwnedHandles.h"

namespace rz::platform {

namespace {
constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;  // 0x28
static_assert(kTokenAccess == 0x28);
}  // namespace

RestartRequest SystemRestartRequest() {
  return [](std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason) != FALSE;
  };
}

std::uint32_t WindowsShutdown::GetVersion() { return ::GetVersion(); }

void WindowsShutdown::EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), kTokenAccess, &token)) return;
  const win::OwnedHandle owned(token);
  TOKEN_PRIVILEGES privileges{};
  if (!::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    return;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ::AdjustTokenPrivileges(owned.get(), FALSE, &privileges, 0, nullptr, nullptr);
}

bool WindowsShutdown::ExitWindows(std::uint32_t flags, std::uint32_t reason) {
  return request_ && request_(flags, reason);
}

}  // namespace rz::platform
