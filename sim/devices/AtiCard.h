// SPDX-License-Identifier: GPL-3.0-or-later
// An ATI display adapter: configuration space only. Its BIOS is a byte store that only the
// emulated vendor flash tool reads and programs; kept in a file across runs when persistent.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/devices/AtiEeprom.h"
#include "sim/devices/PciDevice.h"

namespace rz::sim {

inline constexpr std::uint16_t kAtiVendorId = 0x1002;

class AtiCard final : public PciDevice {
 public:
  // `eeprom` holds exactly the EEPROM's size in bytes.
  AtiCard(const PciIdentity& identity, std::vector<std::uint8_t> eeprom, std::string persistPath);

  const std::vector<std::uint8_t>& Eeprom() const { return eeprom_; }
  // Programs `image` from offset 0; the rest of the EEPROM reads 0xFF afterwards. False (nothing
  // changed) when the image is empty or larger than the EEPROM.
  bool Program(const std::vector<std::uint8_t>& image);
  // Writes the EEPROM back to its file when the scenario keeps it. Throws ScenarioError when
  // that fails.
  void Finish() override;

 private:
  std::vector<std::uint8_t> eeprom_;
  std::string persistPath_;
};

// The card for an adapter with ATI's vendor id, its EEPROM filled from the image file. Throws
// ScenarioError when the image cannot be read or does not fit.
std::unique_ptr<PciDevice> MakeAtiCard(const AtiEeprom& eeprom, const PciIdentity& identity);

}  // namespace rz::sim
