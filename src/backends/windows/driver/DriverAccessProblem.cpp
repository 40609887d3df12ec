// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/driver/DriverAccessProblem.h"

#include "host/windows/OwnedHandles.h"

namespace rz::platform {

std::string DescribeDriverAccessProblem(const DriverAccessFacts& facts) {
  std::string text =
      "The ZPCIDrv I/O driver could not be installed or opened. The program installs it as the "
      "service ZPCIDrv from the driver file beside the program (ZPCIDrv.sys on 32-bit, "
      "ZPCIDrv64.sys on 64-bit Windows) and opens its device (\\\\.\\ZPCIDrv or "
      "\\\\.\\ZPCIDrv64); this system needs " +
      facts.driverFile + " and " + facts.devicePath + ".";
  if (!facts.driverFileFound)
    text += "\n" + facts.driverFile + " is missing: put the driver file beside the program.";
  if (facts.elevated == true) {
    // With the rights and the file there, only the system itself can have refused the driver.
    if (facts.driverFileFound)
      text +=
          "\nThe program has administrator rights, so the system refused the driver (for example "
          "a driver signature policy or a security product); the system's event log says why.";
  } else {
    text += "\nAdministrator rights are needed to install and start the driver service";
    text += facts.elevated == false
                ? ": run the program from a command prompt opened with \"Run as administrator\"."
                : ".";
  }
  return text;
}

std::optional<bool> ProcessIsElevated() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
  const win::OwnedHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(owned.get(), TokenElevation, &elevation, sizeof elevation, &size))
    return std::nullopt;
  return elevation.TokenIsElevated != 0;
}

}  // namespace rz::platform
