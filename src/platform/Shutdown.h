// SPDX-License-Identifier: GPL-3.0-or-later
// Restart of the computer after a flash: privilege and the forced restart request.
#pragma once
#include <cstdint>

namespace rz::platform {

inline constexpr std::uint32_t kEwxReboot = 2;
inline constexpr std::uint32_t kEwxForce = 4;

class Shutdown {
 public:
  virtual ~Shutdown() = default;
  // Top bit clear on systems that need the shutdown privilege enabled first.
  virtual std::uint32_t GetVersion() = 0;
  // Enables the shutdown privilege of the process; failures are not reported.
  virtual void EnableShutdownPrivilege() = 0;
  // Asks the system to restart with the given flags; false when refused.
  virtual bool ExitWindows(std::uint32_t flags, std::uint32_t reason) = 0;
};

}  // namespace rz::platform
