// SPDX-License-Identifier: GPL-3.0-or-later
// A folder laid out like sysfs's PCI devices, for the sysfs access method in tests: regular files
// for `config` and `resourceN`, text files for `resource`, `class`, `vendor` and `device`.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace rz::test {

struct FakeBar {
  int index = 0;
  std::uint64_t start = 0;
  std::uint64_t size = 0;
  std::uint64_t flags = 0x40200;  // memory, 32-bit
};

struct FakePciDevice {
  std::string name;  // "0000:BB:DD.F"
  std::uint16_t vendor = 0;
  std::uint16_t device = 0;
  std::uint32_t classCode = 0;  // class, subclass, programming interface
  std::uint32_t subsystemIds = 0;
  // Capability ids in list order, placed from 0x40 on, 8 bytes apart.
  std::vector<std::uint8_t> capabilities;
  std::vector<FakeBar> bars;
  std::size_t configSize = 256;
};

class FakeSysfsTree {
 public:
  explicit FakeSysfsTree(std::filesystem::path root) : root_(std::move(root)) {
    std::filesystem::create_directories(root_ / "bus/pci/devices");
  }
  const std::filesystem::path& Root() const { return root_; }
  std::string File(const std::string& device, const std::string& file) const {
    return (root_ / "bus/pci/devices" / device / file).string();
  }

  void Add(const FakePciDevice& d) const {
    std::filesystem::create_directories(root_ / "bus/pci/devices" / d.name);
    std::vector<std::uint8_t> config(256, 0);
    Put(config, 0x00, d.vendor | std::uint32_t{d.device} << 16);
    Put(config, 0x08, d.classCode << 8 | 0xA1);  // revision 0xA1
    Put(config, 0x2C, d.subsystemIds);
    for (const auto& bar : d.bars) {
      if (bar.index < 6) Put(config, 0x10 + 4 * bar.index, static_cast<std::uint32_t>(bar.start));
    }
    std::uint8_t at = 0x40;
    if (!d.capabilities.empty()) config[0x34] = at;
    for (std::size_t i = 0; i < d.capabilities.size(); ++i, at += 8) {
      config[at] = d.capabilities[i];
      config[at + 1] = i + 1 < d.capabilities.size() ? static_cast<std::uint8_t>(at + 8) : 0;
    }
    config.resize(d.configSize);
    Write(File(d.name, "config"), std::string(config.begin(), config.end()));
    Write(File(d.name, "class"), Hex(d.classCode, 6) + "\n");
    Write(File(d.name, "vendor"), Hex(d.vendor, 4) + "\n");
    Write(File(d.name, "device"), Hex(d.device, 4) + "\n");
    std::string resource;
    for (int i = 0; i < 13; ++i) {
      const FakeBar* bar = nullptr;
      for (const auto& b : d.bars) bar = b.index == i ? &b : bar;
      resource += bar ? Hex(bar->start, 16) + " " + Hex(bar->start + bar->size - 1, 16) + " " +
                            Hex(bar->flags, 16) + "\n"
                      : "0x0000000000000000 0x0000000000000000 0x0000000000000000\n";
    }
    Write(File(d.name, "resource"), resource);
    for (const auto& bar : d.bars) {
      const std::string path = File(d.name, "resource" + std::to_string(bar.index));
      Write(path, "");
      std::filesystem::resize_file(path, bar.size);
    }
  }

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }

 private:
  static void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  static std::string Hex(std::uint64_t v, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(v));
    return text;
  }

  std::filesystem::path root_;
};

}  // namespace rz::test
