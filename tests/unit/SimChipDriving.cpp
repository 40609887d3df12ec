// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimChipDriving.h"

#include <stdexcept>

namespace rz::test::simchip {

using nlohmann::json;
using sim::ChipFamily;
using sim::ChipInterface;
using sim::ChipModel;

std::unique_ptr<sim::EmulatedPlatform> MakePlatform(const json& scenario, const TempDir& dir) {
  return std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, dir.Path().string()));
}

sim::NvidiaCard& Card(sim::EmulatedPlatform& p) {
  auto* card = dynamic_cast<sim::NvidiaCard*>(p.AdapterDevice(0));
  if (!card) throw std::runtime_error("adapter 0 is not an NVIDIA card");
  return *card;
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return v;
}

std::pair<std::uint8_t, std::uint8_t> Identify(CardProbe& p, const ChipModel& c) {
  p.PromOn();
  auto ids = c.interface == ChipInterface::Spi ? p.SerialIds() : p.ParallelIds();
  p.PromOff();
  return ids;
}

std::vector<std::uint8_t> Addr(std::uint32_t offset) {
  const std::uint32_t a = offset + 0x300000;
  return {static_cast<std::uint8_t>(a >> 16), static_cast<std::uint8_t>(a >> 8),
          static_cast<std::uint8_t>(a)};
}

void Unprotect(CardProbe& p, const ChipModel& c) {
  p.Begin();
  p.Frame({0x06});
  if (c.quirks.statusWriteByEwsr) p.Frame({0x50});
  p.Frame({0x01, 0x00});
  p.WaitReady(sim::kMillisecond, 100);
  p.End();
}

bool Erase(CardProbe& p, const ChipModel& c) {
  p.PromOn();
  bool ok;
  if (c.interface == ChipInterface::Parallel) {
    p.Jedec(0x80);
    p.Jedec(0x10);
    ok = p.PollRom(0, 0xFF, sim::kMillisecond, 20000);
  } else {
    p.Begin();
    p.Frame({0x06});
    const std::uint8_t op = c.eraseOpcodes.at(0);
    if (c.quirks.eraseNeedsConfirm) p.Frame({op, 0, 0, 0, 0xD0, 0x00});
    else p.Frame({op});
    ok = p.WaitReady(sim::kMillisecond, 20000);
    p.End();
  }
  p.PromOff();
  return ok;
}

bool Program(CardProbe& p, const ChipModel& c, std::uint32_t offset,
             const std::vector<std::uint8_t>& data) {
  p.PromOn();
  bool ok = true;
  if (c.family == ChipFamily::JedecByteProgram) {
    for (std::size_t i = 0; i < data.size() && ok; ++i) {
      p.Jedec(0xA0);
      p.RomWrite(offset + static_cast<std::uint32_t>(i), data[i]);
      ok = p.PollRom(offset + static_cast<std::uint32_t>(i), data[i], sim::kMicrosecond, 1000);
    }
  } else if (c.family == ChipFamily::JedecPageWrite) {
    for (std::size_t o = 0; o < data.size() && ok; o += 128) {
      p.Jedec(0xA0);
      for (std::size_t i = o; i < o + 128; ++i) p.RomWrite(offset + static_cast<std::uint32_t>(i), data[i]);
      const auto last = static_cast<std::uint32_t>(offset + o + 127);
      ok = p.PollRom(last, data[o + 127], 100 * sim::kMicrosecond, 500);
    }
  } else if (c.quirks.autoAddressIncrement) {
    p.Begin();
    p.Frame({0x06});
    auto first = Addr(offset);
    first.insert(first.begin(), 0xAF);
    first.push_back(data[0]);
    p.Frame(first);
    for (std::size_t i = 1; i < data.size() && ok; ++i) {
      ok = p.WaitReady(sim::kMicrosecond, 1000);
      p.Frame({0xAF, data[i]});
    }
    ok = ok && p.WaitReady(sim::kMicrosecond, 1000);
    p.Frame({0x04});
    p.End();
  } else if (c.quirks.byteProgram10) {
    p.Begin();
    for (std::size_t i = 0; i < data.size() && ok; ++i) {
      auto f = Addr(offset + static_cast<std::uint32_t>(i));
      f.insert(f.begin(), 0x10);
      f.push_back(data[i]);
      f.push_back(0x00);
      p.Frame(f);
      ok = p.WaitReady(sim::kMicrosecond, 1000);
    }
    p.End();
  } else {
    p.Begin();
    for (std::size_t o = 0; o < data.size() && ok; o += 128) {
      p.Frame({0x06});
      auto f = Addr(offset + static_cast<std::uint32_t>(o));
      f.insert(f.begin(), 0x02);
      f.insert(f.end(), data.begin() + static_cast<std::ptrdiff_t>(o),
               data.begin() + static_cast<std::ptrdiff_t>(std::min(o + 128, data.size())));
      p.Frame(f);
      ok = p.WaitReady(100 * sim::kMicrosecond, 1000);
    }
    p.End();
  }
  p.PromOff();
  return ok;
}

std::vector<std::uint8_t> ReadBack(CardProbe& p, std::uint32_t offset, std::uint32_t n) {
  p.PromOn();
  auto v = p.RomBytes(offset, n);
  p.PromOff();
  return v;
}

json ChipEeprom(const ChipModel& c) { return json{{"chip", c.key}}; }

}  // namespace rz::test::simchip
