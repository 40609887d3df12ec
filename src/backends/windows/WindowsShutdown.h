// SPDX-License-Identifier: GPL-3.0-or-later
// Restart on Windows: GetVersion, the shutdown privilege through the process token, and the
// restart request ExitWindowsEx. The request itself is a function given at construction, so that
// tests run everything before it without restarting the machine.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/Shutdown.h"

namespace rz::platform {

// The call that asks the system to restart: ExitWindowsEx's flags and reason; true when accepted.
using RestartRequest = std::function<bool(std::uint32_t flags, std::uint32_t reason)>;

// ExitWindowsEx itself.
RestartRequest SystemRestartRequest();

class WindowsShutdown final : public Shutdown {
 public:
  explicit WindowsShutdown(RestartRequest request = SystemRestartRequest())
      : request_(std::move(request)) {}

  std::uint32_t GetVersion() override;
  // OpenProcessToken(own process, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY),
  // LookupPrivilegeValueA(no system, "SeShutdownPrivilege"), AdjustTokenPrivileges with that one
  // privilege enabled and no previous state. A failing step ends the sequence; nothing is
  // reported, as a refused restart is not either.
  void EnableShutdownPrivilege() override;
  bool ExitWindows(std::uint32_t flags, std::uint32_t reason) override;

 private:
  RestartRequest request_;
};

}  // namespace rz::platform
