// The five driver requests the program makes (port dword write/read, port byte write, map and
// unmap of physical memory), with their failure messages, and access to mapped memory.
#pragma once
#include <cstdint>

#include "hw/IoDriver.h"
#include "ui/Ui.h"

namespace rz::hw {

inline constexpr const char* kPortRequestFailed = "DeviceIOControl Fail(IOCTL_ACCESS_PORT_DATA)";
inline constexpr const char* kMapRequestFailed = "DeviceIOControl Fail(IOCTL_MAP_PHYS_TO_LINEAR)";
inline constexpr const char* kUnmapRequestFailed = "DeviceIOControl Fail(IOCTL_UNMAP_PHYS_TO_LINEAR)";
inline constexpr const char* kNoDriverCaption = "Write_Port_BYTE";
inline constexpr const char* kNoDriverText = "Failed to open ZPCIDrv WinNT driver";

class DriverRequests {
 public:
  DriverRequests(IoDriver& driver, ui::Ui& ui) : driver_(driver), ui_(ui) {}

  void WritePortDword(std::uint16_t port, std::uint32_t value);
  std::uint32_t ReadPortDword(std::uint16_t port);
  void WritePortByte(std::uint16_t port, std::uint8_t value);
  // linearAddress is 0 when the request failed.
  void MapPhysicalMemory(std::uint32_t physicalAddress, std::uint32_t length,
                         std::uint32_t& linearAddress);
  void UnmapPhysicalMemory(std::uint32_t linearAddress);

  // Plain memory accesses through a mapping made by MapPhysicalMemory.
  std::uint8_t ReadMem8(std::uint32_t linear) { return driver_.Device().ReadMapped8(linear); }
  void WriteMem8(std::uint32_t linear, std::uint8_t v) { driver_.Device().WriteMapped8(linear, v); }
  std::uint32_t ReadMem32(std::uint32_t linear) { return driver_.Device().ReadMapped32(linear); }
  void WriteMem32(std::uint32_t linear, std::uint32_t v) {
    driver_.Device().WriteMapped32(linear, v);
  }

  ui::Ui& Ui() { return ui_; }

 private:
  bool SendPortRequest(std::uint16_t port, std::uint32_t data, std::uint16_t direction,
                       std::uint16_t width, std::uint32_t& result);
  void ShowFailure(const char* text);

  IoDriver& driver_;
  ui::Ui& ui_;
};

}  // namespace rz::hw
