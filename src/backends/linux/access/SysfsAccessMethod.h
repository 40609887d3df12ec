// SPDX-License-Identifier: GPL-3.0-or-later
// The sysfs access method. Configuration mechanism 1 is carried out on the devices' `config`
// files: a dword written to 0xCF8 is kept as the address and 0xCFC-0xCFF read or write the
// addressed register (absent devices read all ones, writes to them are dropped). Byte writes to
// the delay port 0xEB take the time of one port write and touch nothing; every other port is
// refused. A map is served by the `resourceN` file of the display device whose memory BAR holds its
// start, with the part of the range that BAR holds. Only display-class devices may be written.
#pragma once
#include <map>

#include "backends/linux/access/AccessMethod.h"
#include "backends/linux/access/CalibratedWait.h"
#include "backends/linux/access/SysfsPciAttributes.h"

namespace rz::platform {

class SysfsFiles;

class SysfsAccessMethod final : public AccessMethod {
 public:
  // Uses the slot's files, else opens them under the slot's root; null with the reason in `why`
  // when there are no PCI devices or their configuration space cannot be read in full.
  static std::unique_ptr<AccessMethod> Detect(const AccessSources& sources, std::string& why);
  // Works on `files`; `owned`, when set, is what `files` refers to and lives as long as the method.
  SysfsAccessMethod(SysfsFiles& files, std::unique_ptr<SysfsFiles> owned);
  ~SysfsAccessMethod() override;

  bool PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value) override;
  bool PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value) override;
  std::unique_ptr<MappedMemory> Map(std::uint32_t physical, std::uint32_t length,
                                    std::string& why) override;

 private:
  struct DeviceFacts {
    bool display = false;  // class 0x03xxxx
    std::vector<PciBar> bars;
  };

  // The device that the kept address selects; null when the enable bit is clear or no device
  // sits there.
  const std::string* AddressedDevice() const;
  const DeviceFacts& Facts(const std::string& device);
  bool ConfigRead(unsigned lane, std::uint16_t width, std::uint32_t& value);
  bool ConfigWrite(unsigned lane, std::uint16_t width, std::uint32_t value);

  std::unique_ptr<SysfsFiles> owned_;
  SysfsFiles& files_;
  std::map<std::uint32_t, std::string> devices_;  // key: bus << 8 | device << 3 | function
  std::map<std::string, DeviceFacts> facts_;
  std::uint32_t address_ = 0;
  CalibratedWait portWrite_;
};

}  // namespace rz::platform
