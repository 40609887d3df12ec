// The work of the access broker (rzflash-access): open the PCI files the sysfs access method
// needs and send their descriptors over a Unix socket. Run as root through pkexec by its own small
// program; tests run it in-process on a folder laid out like sysfs.
#pragma once
#include <string>
#include <string_view>

namespace rz::platform {

// Opens, under <sysfsRoot>/bus/pci/devices: every device's `config` read-only; the `config` and
// the memory-BAR `resourceN` files read-write for display-class devices (class 0x03xxxx) of vendor
// 0x10DE or 0x1002. Sends them over `socket` as AccessProtocol.h describes and closes its copies.
// `requestedVersion` is the protocol version the program asked for (text); another than ours is
// answered with the mismatch greeting alone. Returns the broker's exit status.
int ServeAccessBroker(int socket, const std::string& sysfsRoot, std::string_view requestedVersion);

// True for a PCI device name "DDDD:BB:DD.F" (domain of 4 to 8 hex digits, lower case).
bool IsPciDeviceName(std::string_view name);

}  // namespace rz::platform
