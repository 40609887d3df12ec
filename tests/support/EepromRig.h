// SPDX-License-Identifier: GPL-3.0-or-later
// An emulated machine with one NVIDIA adapter at bus 1 device 0, the driver open, a configuration
// table that knows the card, and the EEPROM engine's context over the program's state. The card
// comes from the scenario (its "eeprom" key), or is replaced by a bare RegisterCard for tests of
// the register-level primitives.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>

#include "eeprom/EepromContext.h"
#include "sim/devices/BusTrace.h"
#include "sim/devices/PciDevice.h"
#include "support/SimHarness.h"

namespace rz::test {

inline constexpr std::uint16_t kRigDeviceId = 0x0191;

// A card with a plain register file and a ROM image behind the aperture (visible while register
// 0x1850 holds 0); no EEPROM command is understood.
class RegisterCard : public sim::PciDevice {
 public:
  explicit RegisterCard(const sim::PciIdentity& id) : PciDevice(id) {}
  std::map<std::uint32_t, std::uint32_t> regs;
  std::vector<std::uint8_t> rom = std::vector<std::uint8_t>(0x20000, 0xFF);

  // A scripted serial answer: after a frame's first `header` bytes whose command byte has an entry
  // here, the chip shifts out these bytes (then ones). The GPIO register is the one of the layout.
  struct Reply {
    std::size_t header;
    std::vector<std::uint8_t> bytes;
  };
  std::map<std::uint8_t, Reply> replies;
  // Aperture offsets whose next n reads answer the complement of the ROM byte.
  std::map<std::uint32_t, int> wrongReads;
  std::uint32_t gpio = 0x00E204;

  std::uint8_t MmioRead8(std::uint32_t offset) override;
  std::uint32_t MmioRead32(std::uint32_t offset) override;
  void MmioWrite32(std::uint32_t offset, std::uint32_t value) override;

 private:
  bool MisoBit() const;
  bool selected_ = false;
  std::uint32_t edges_ = 0;  // rising clock edges in the frame
  std::uint8_t command_ = 0;
};

// Frames decoded from the GPIO writes and reads of a bus trace: bytes shifted out on bit 3 and in
// on bit 4 at every rising clock edge while chip select (bit 1) is low.
struct SpiFrameRecord {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> in;
};
std::vector<SpiFrameRecord> DecodeSpiFrames(const std::vector<sim::TraceEvent>& trace,
                                            std::uint32_t gpioOffset);

struct EepromRig {
  // `adapter` is merged into the default NVIDIA adapter description (e.g. {"eeprom": ...});
  // `scenario` into the scenario (e.g. {"faults": ...}).
  explicit EepromRig(nlohmann::json adapter = nlohmann::json::object(),
                     nlohmann::json scenario = nlohmann::json::object(),
                     std::uint32_t promFlag = 0);

  // Puts a RegisterCard in place of the scenario's card and returns it.
  RegisterCard& UseRegisterCard();

  sim::Machine& Machine() { return harness.Machine(); }
  void StartTrace() {
    Machine().Trace().Clear();
    Machine().Trace().Enable(true);
  }
  const std::vector<sim::TraceEvent>& Trace() { return Machine().Trace().Events(); }
  // 32-bit register writes of the trace, as (offset, value).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> RegisterWrites(std::uint32_t offset);
  // Value of the last 32-bit write to this register offset in the trace, if any.
  std::optional<std::uint32_t> LastWrite(std::uint32_t offset);
  // PROM access off, nothing mapped, nothing touched outside a mapping.
  ::testing::AssertionResult LeftClean();

  SimHarness harness;
  eeprom::EepromContext ctx;
};

}  // namespace rz::test
