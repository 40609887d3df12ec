// SPDX-License-Identifier: GPL-3.0-or-later
// Where the raw access method finds the kernel's port and physical-memory files and its list of
// PCI devices, and how it carries out wide port accesses.
#pragma once
#include <string>

namespace rz::platform {

// How 2- and 4-byte port requests are carried out.
enum class WidePortAccess {
  // x86 port instructions (inw/inl, outw/outl) after ioperm(): one access of the full width, as
  // PCI configuration mechanism 1 requires at 0xCF8. Not available on other machines, where wide
  // requests fail.
  Native,
  // Consecutive bytes through the port file. /dev/port turns this into one byte access per port,
  // which is not a dword access; only for port files that are ordinary files (tests).
  PortFileBytes,
};

struct LinuxDriverPaths {
  std::string port = "/dev/port";
  std::string mem = "/dev/mem";
  WidePortAccess wide = WidePortAccess::Native;
  // Every device's BARs: a map is served only inside one of them (ProcPciDevices.h).
  std::string pciDevices = "/proc/bus/pci/devices";
};

}  // namespace rz::platform
