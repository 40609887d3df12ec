// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/SysfsAccessMethod.h"

#include <unistd.h>

#include "backends/linux/access/DirectSysfsFiles.h"
#include "backends/linux/access/SysfsFilesSlot.h"
#include "base/LittleEndian.h"

namespace rz::platform {
namespace {

constexpr std::uint16_t kAddressPort = 0xCF8;
constexpr std::uint16_t kDataPort = 0xCFC;
constexpr std::uint16_t kDelayPort = 0xEB;
constexpr std::uint32_t kEnableBit = 0x80000000u;
// What one byte write to a port costs on the bus, the unit of the program's short delays.
constexpr std::chrono::nanoseconds kPortWriteTime{1000};

std::uint32_t Key(const PciLocation& at) {
  return std::uint32_t{at.bus} << 8 | std::uint32_t{at.device} << 3 | at.function;
}

std::uint32_t AllOnes(std::uint16_t width) {
  return width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
}

}  // namespace

std::unique_ptr<AccessMethod> SysfsAccessMethod::Detect(const AccessSources& sources,
                                                        std::string& why) {
  if (!sources.sysfs) {
    why = "no sysfs PCI files were given to this device";
    return nullptr;
  }
  SysfsFiles* files = sources.sysfs->files.get();
  std::unique_ptr<SysfsFiles> owned;
  std::string where = "the PCI device files handed over";
  if (!files) {
    auto direct = std::make_unique<DirectSysfsFiles>(sources.sysfs->root);
    where = direct->DevicesFolder();
    files = direct.get();
    owned = std::move(direct);
  }
  const auto devices = files->Devices();
  if (devices.empty()) {
    why = "no PCI devices in " + where;
    return nullptr;
  }
  // The scan reads the whole standard header; without privilege the kernel hands out only its
  // first 64 bytes.
  const int fd = files->Descriptor(devices.front(), "config", false);
  if (fd < 0) {
    why = "the configuration space of " + devices.front() + " cannot be opened for reading";
    return nullptr;
  }
  std::uint8_t probe[4];
  if (::pread(fd, probe, sizeof probe, 0xFC) != static_cast<ssize_t>(sizeof probe)) {
    why = "only part of the configuration space of " + devices.front() +
          " can be read: reading all of it needs root or the access broker";
    return nullptr;
  }
  return std::make_unique<SysfsAccessMethod>(*files, std::move(owned));
}

SysfsAccessMethod::SysfsAccessMethod(SysfsFiles& files, std::unique_ptr<SysfsFiles> owned)
    : owned_(std::move(owned)), files_(files), portWrite_(kPortWriteTime) {
  for (const auto& name : files_.Devices()) {
    if (const auto at = ParseDeviceName(name)) devices_.emplace(Key(*at), name);
  }
}

SysfsAccessMethod::~SysfsAccessMethod() = default;

const std::string* SysfsAccessMethod::AddressedDevice() const {
  if ((address_ & kEnableBit) == 0) return nullptr;
  const PciLocation at{static_cast<std::uint8_t>(address_ >> 16),
                       static_cast<std::uint8_t>((address_ >> 11) & 0x1F),
                       static_cast<std::uint8_t>((address_ >> 8) & 0x7)};
  const auto it = devices_.find(Key(at));
  return it == devices_.end() ? nullptr : &it->second;
}

const SysfsAccessMethod::DeviceFacts& SysfsAccessMethod::Facts(const std::string& device) {
  auto it = facts_.find(device);
  if (it == facts_.end()) {
    DeviceFacts facts;
    if (const auto text = files_.Attribute(device, "class")) {
      const auto code = ParseHexAttribute(*text);
      facts.display = code && (*code >> 16) == 0x03;
    }
    if (const auto text = files_.Attribute(device, "resource")) facts.bars = ParseResourceBars(*text);
    it = facts_.emplace(device, std::move(facts)).first;
  }
  return it->second;
}

bool SysfsAccessMethod::ConfigRead(unsigned lane, std::uint16_t width, std::uint32_t& value) {
  const std::string* device = AddressedDevice();
  if (!device) {
    value = AllOnes(width);
    return true;
  }
  const int fd = files_.Descriptor(*device, "config", false);
  if (fd < 0) return false;
  std::uint8_t bytes[4] = {};
  const off_t offset = static_cast<off_t>((address_ & 0xFC) + lane);
  if (::pread(fd, bytes, width, offset) != static_cast<ssize_t>(width)) return false;
  value = le::Get32(bytes);
  return true;
}

bool SysfsAccessMethod::ConfigWrite(unsigned lane, std::uint16_t width, std::uint32_t value) {
  const std::string* device = AddressedDevice();
  if (!device) return true;  // nobody answers on the bus: the write goes nowhere
  if (!Facts(*device).display) return false;
  const int fd = files_.Descriptor(*device, "config", true);
  if (fd < 0) return false;
  std::uint8_t bytes[4];
  le::Put32(bytes, value);
  const off_t offset = static_cast<off_t>((address_ & 0xFC) + lane);
  return ::pwrite(fd, bytes, width, offset) == static_cast<ssize_t>(width);
}

bool SysfsAccessMethod::PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value) {
  if (port == kAddressPort && width == 4) {
    value = address_;
    return true;
  }
  if (port >= kDataPort && port + width <= kDataPort + 4) return ConfigRead(port - kDataPort, width, value);
  return false;
}

bool SysfsAccessMethod::PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value) {
  if (port == kAddressPort && width == 4) {
    address_ = value;
    return true;
  }
  if (port >= kDataPort && port + width <= kDataPort + 4) return ConfigWrite(port - kDataPort, width, value);
  if (port == kDelayPort && width == 1) {
    portWrite_.Wait();
    return true;
  }
  return false;
}

std::unique_ptr<MappedMemory> SysfsAccessMethod::Map(std::uint32_t physical, std::uint32_t length,
                                                   std::string& why) {
  for (const auto& [key, device] : devices_) {
    const DeviceFacts& facts = Facts(device);
    if (!facts.display) continue;
    for (const PciBar& bar : facts.bars) {
      if (!bar.IsMemory() || !bar.Holds(physical, 1)) continue;
      // The kernel maps no byte past the BAR's end: the map gets the part the BAR holds.
      const std::uint32_t served = bar.HeldPart(physical, length);
      auto memory = files_.MapResource(device, bar.index, physical - bar.start, served);
      if (!memory) why = "resource" + std::to_string(bar.index) + " of " + device + " cannot be mapped";
      return memory;
    }
  }
  why = "no memory BAR of a display device holds " + HexAddress(physical);
  return nullptr;
}

}  // namespace rz::platform
