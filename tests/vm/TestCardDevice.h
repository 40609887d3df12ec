// SPDX-License-Identifier: GPL-3.0-or-later
// Test builds only: the driver device of the computer, with one PCI slot shown to the program as
// a card of the maker with an NVIDIA chip. Reads of that slot's vendor/device and subsystem ids
// (configuration offsets 0x00 and 0x2C) are answered with the card's ids, and a device without a
// capability list (QEMU's PCI display devices) shows one PCI Express capability at 0xF8, as
// every card of the programmed road has; every other request, and every map, goes to the real
// device unchanged. A virtual machine's display device can then
// take the programmed road against a real kernel. It can also list the slots the program's scan
// found, for comparing with the system's own device list.
#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/DriverDevice.h"

namespace rz::vmtest {

struct PciSlot {
  std::uint8_t bus = 0;
  std::uint8_t device = 0;
  std::uint8_t function = 0;
  auto operator<=>(const PciSlot&) const = default;
};

// "BB:DD.F" in hexadecimal, two, two and one digits (a domain "0000:" in front is accepted);
// nullopt when malformed.
std::optional<PciSlot> ParseSlot(const std::string& text);
std::string SlotName(const PciSlot& slot);

struct CardIds {
  std::uint32_t ids = 0;        // device id << 16 | vendor id (offset 0x00)
  std::uint32_t subsystem = 0;  // subsystem id << 16 | subsystem vendor id (offset 0x2C)
};

class TestCardDevice final : public platform::DriverDevice {
 public:
  // `slot` null: nothing is rewritten (the scan is still recorded).
  TestCardDevice(platform::DriverDevice& real, std::optional<PciSlot> slot, CardIds card);

  platform::DeviceHandle Open(const std::string& devicePath) override;
  void Close(platform::DeviceHandle handle) override;
  bool Control(platform::DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override;
  std::uint8_t ReadMapped8(std::uint32_t linear) override;
  void WriteMapped8(std::uint32_t linear, std::uint8_t value) override;
  std::uint32_t ReadMapped32(std::uint32_t linear) override;
  void WriteMapped32(std::uint32_t linear, std::uint32_t value) override;

  // Slots whose vendor id read as something other than all ones, as the program saw them.
  const std::set<PciSlot>& AnsweringSlots() const { return answering_; }
  // One line per map request: "map 0x<physical> 0x<length> ok|refused", each followed by the
  // process's new memory regions it made: "vma 0x<bytes> <file> 0x<offset in the file>".
  const std::vector<std::string>& MapLog() const { return mapLog_; }

 private:
  bool LoggedMap(platform::DeviceHandle handle, const std::uint8_t* in, std::uint8_t* out,
                 std::uint32_t outSize);
  // Patches the bytes of a configuration read of `width` bytes at data-port lane `lane`.
  std::uint32_t Rewrite(unsigned lane, std::uint16_t width, std::uint32_t value);

  platform::DriverDevice& real_;
  std::optional<PciSlot> slot_;
  CardIds card_;
  bool listless_ = false;  // the slot's real capability pointer read as 0
  std::uint32_t address_ = 0;  // the last value written to the configuration address port
  std::set<PciSlot> answering_;
  std::vector<std::string> mapLog_;
};

}  // namespace rz::vmtest
