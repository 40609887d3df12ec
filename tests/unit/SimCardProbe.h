// SPDX-License-Identifier: GPL-3.0-or-later
// Test-local driver for the emulated NVIDIA card: maps BAR0 through the emulated bus and drives
// registers, the PROM aperture and the bit-banged serial pins the way a program does. It knows the
// chip commands itself so the emulator is checked against the hardware protocol, not its own code.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/devices/NvidiaCard.h"
#include "sim/seams/EmulatedPlatform.h"

namespace rz::test {

class CardProbe {
 public:
  static constexpr std::uint32_t kAperture = 0x300000;

  explicit CardProbe(sim::EmulatedPlatform& platform, std::uint8_t bus = 1, std::uint8_t device = 0)
      : m_(platform.GetMachine()) {
    const std::uint32_t cfg = 0x80000000u | (std::uint32_t{bus} << 16) | (std::uint32_t{device} << 11);
    const std::uint32_t command = ConfigRead(cfg | 0x04);
    ConfigWrite(cfg | 0x04, command | 0x0002);
    const std::uint32_t bar0 = ConfigRead(cfg | 0x10) & 0xFFFFFFF0u;
    m_.Map(bar0, 0x2000000, base_);
    const std::uint32_t id = ConfigRead(cfg);
    gpio_ = sim::IsNewGpioLayoutDevice(static_cast<std::uint16_t>(id >> 16)) ? 0xE204 : 0x1204;
  }

  sim::Machine& Machine() { return m_; }
  std::uint32_t GpioOffset() const { return gpio_; }

  std::uint32_t Reg(std::uint32_t off) { return m_.Read32(base_ + off); }
  void SetReg(std::uint32_t off, std::uint32_t v) { m_.Write32(base_ + off, v); }
  void PromOn() { SetReg(0x1850, 0); }
  void PromOff() { SetReg(0x1850, 1); }
  std::uint8_t Rom(std::uint32_t off) { return m_.Read8(base_ + kAperture + off); }
  void RomWrite(std::uint32_t off, std::uint8_t v) { m_.Write8(base_ + kAperture + off, v); }
  std::vector<std::uint8_t> RomBytes(std::uint32_t off, std::uint32_t n) {
    std::vector<std::uint8_t> out(n);
    for (std::uint32_t i = 0; i < n; ++i) out[i] = Rom(off + i);
    return out;
  }
  void Wait(std::uint64_t ns) { m_.Clock().Advance(ns); }

  // Parallel chip commands.
  void Jedec(std::uint8_t command) {
    RomWrite(0x5555, 0xAA);
    RomWrite(0x2AAA, 0x55);
    RomWrite(0x5555, command);
  }
  std::pair<std::uint8_t, std::uint8_t> ParallelIds() {
    Jedec(0x90);
    const std::pair<std::uint8_t, std::uint8_t> ids{Rom(0), Rom(1)};
    Jedec(0xF0);
    return ids;
  }
  // Polls `off` until it reads `want`, at most `limit` times `step` ns; true when it did.
  bool PollRom(std::uint32_t off, std::uint8_t want, std::uint64_t step, int limit) {
    for (int i = 0; i < limit; ++i) {
      if (Rom(off) == want) return true;
      Wait(step);
    }
    return Rom(off) == want;
  }

  // Serial pins, read-modify-write of the GPIO register as the program does.
  void Bits(std::uint32_t set, std::uint32_t clear) { SetReg(gpio_, (Reg(gpio_) | set) & ~clear); }
  void Begin() { Bits(0x03, 0x04); }
  void End() { Bits(0, 0x01); }
  void Select() { Bits(0, 0x02); }
  void Deselect() { Bits(0x02, 0); }
  void Pulse() {
    const std::uint32_t v = Reg(gpio_);
    SetReg(gpio_, v | 0x04);
    SetReg(gpio_, v & ~0x04u);
  }
  void Send(std::uint8_t b) {
    for (int bit = 7; bit >= 0; --bit) {
      Bits((b >> bit) & 1 ? 0x08 : 0, (b >> bit) & 1 ? 0 : 0x08);
      Pulse();
    }
  }
  std::uint8_t Receive() {
    std::uint8_t b = 0;
    for (int bit = 7; bit >= 0; --bit) {
      if (Reg(gpio_) & 0x10) b = static_cast<std::uint8_t>(b | (1 << bit));
      Pulse();
    }
    return b;
  }
  // One frame inside Begin/End: send `out`, then receive `in` bytes.
  std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& out, std::size_t in = 0) {
    Select();
    for (auto b : out) Send(b);
    std::vector<std::uint8_t> got;
    for (std::size_t i = 0; i < in; ++i) got.push_back(Receive());
    Deselect();
    return got;
  }
  std::uint8_t Status() { return Frame({0x05}, 1)[0]; }
  // Polls the status register until the busy bit clears; false when it never does.
  bool WaitReady(std::uint64_t step, int limit) {
    for (int i = 0; i < limit; ++i) {
      if (!(Status() & 1)) return true;
      Wait(step);
    }
    return false;
  }

  // The serial identification sequence: 0x15 (with the 0x7F continuation and the 0x1F stop),
  // then Read-ID 0xAB, then two 0x90 reads one bit late; other manufacturers become 0x20.
  std::pair<std::uint8_t, std::uint8_t> SerialIds() {
    Begin();
    Select();
    Send(0x15);
    std::uint8_t m = Receive(), d = Receive();
    if (m == 0x7F) {
      m = Receive();
      d = Receive();
      Deselect();
      End();
      return {m, d};
    }
    Deselect();
    if (m != 0x1F) {
      Select();
      for (auto b : {0xAB, 0, 0, 0}) Send(static_cast<std::uint8_t>(b));
      m = Receive();
      d = Receive();
      if (m == 0xFF) {
        Deselect();
        const auto a = Frame({0x90, 0, 0, 0}, 2);
        Select();
        for (auto b : {0x90, 0, 0, 1}) Send(static_cast<std::uint8_t>(b));
        const std::uint8_t m2 = Receive(), d2 = Receive();
        m = static_cast<std::uint8_t>((a[0] << 1) | (a[1] >> 7));
        d = static_cast<std::uint8_t>((m2 << 1) | (d2 >> 7));
      }
      if (m != 0xBF && m != 0x9D) m = 0x20;
      Deselect();
    }
    End();
    return {m, d};
  }

 private:
  std::uint32_t ConfigRead(std::uint32_t address) {
    platform::PortAccessRequest w{0xCF8, 0, address, platform::kPortDirectionWrite, 4};
    m_.PortRequest(w);
    platform::PortAccessRequest r{0xCFC, 0, 0, platform::kPortDirectionRead, 4};
    m_.PortRequest(r);
    return r.data;
  }
  void ConfigWrite(std::uint32_t address, std::uint32_t value) {
    platform::PortAccessRequest w{0xCF8, 0, address, platform::kPortDirectionWrite, 4};
    m_.PortRequest(w);
    platform::PortAccessRequest d{0xCFC, 0, value, platform::kPortDirectionWrite, 4};
    m_.PortRequest(d);
  }

  sim::Machine& m_;
  std::uint32_t base_ = 0;
  std::uint32_t gpio_ = 0x1204;
};

// A scenario with one NVIDIA adapter (device id `deviceId`) carrying `eeprom`.
inline nlohmann::json CardScenario(const nlohmann::json& eeprom, std::uint16_t deviceId = 0x0191,
                                   const nlohmann::json& faults = nlohmann::json::object()) {
  nlohmann::json adapter = {{"bus", 1},          {"device", 0},
                            {"vendor_id", 0x10DE}, {"device_id", deviceId},
                            {"subsystem_vendor_id", "maker"}, {"subsystem_id", 0x34C8}};
  if (!eeprom.is_null()) adapter["eeprom"] = eeprom;
  return nlohmann::json{{"adapters", nlohmann::json::array({adapter})}, {"faults", faults}};
}

}  // namespace rz::test
