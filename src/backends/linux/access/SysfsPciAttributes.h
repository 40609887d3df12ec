// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the text attributes of a sysfs PCI device ("class", "resource") and its folder name;
// the BARs they describe.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rz::platform {

// One base-address register from a `resource` attribute line "0x<start> 0x<end> 0x<flags>".
struct PciBar {
  int index = 0;  // N of the resourceN file that maps it
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // last byte, inclusive
  std::uint64_t flags = 0;

  bool IsMemory() const { return (flags & 0x200) != 0; }
  bool Holds(std::uint64_t first, std::uint64_t length) const {
    return length > 0 && first >= start && first <= end && length - 1 <= end - first;
  }
  // How many bytes of a `length`-byte range from `first` (inside the BAR) on the BAR holds.
  std::uint32_t HeldPart(std::uint64_t first, std::uint32_t length) const {
    return end - first < length ? static_cast<std::uint32_t>(end - first + 1) : length;
  }
};

// "0x" and eight hexadecimal digits, for messages about physical addresses.
std::string HexAddress(std::uint32_t address);

// The six base-address registers (lines 0-5; later lines are the ROM and bridge windows); a
// malformed line ends the list.
std::vector<PciBar> ParseResourceBars(const std::string& text);

// A number written in hexadecimal with a "0x" prefix and an optional line feed ("0x030000\n").
std::optional<std::uint32_t> ParseHexAttribute(const std::string& text);

// Bus, device and function of a device folder "0000:BB:DD.F" of PCI domain 0 (the only one that
// configuration mechanism 1 reaches); nullopt for any other name.
struct PciLocation {
  std::uint8_t bus = 0;
  std::uint8_t device = 0;
  std::uint8_t function = 0;
};
std::optional<PciLocation> ParseDeviceName(const std::string& name);

}  // namespace rz::platform
