// SPDX-License-Identifier: GPL-3.0-or-later
// The five driver requests the program makes (port dword write/read, port byte write, map and
// unmap of physical memory), with their failure messages, and access to mapped memory. A failure
// message is shown once per command (a driver that stops answering would otherwise raise one box
// per request); the count of failures lets an operation see whether a request of its own failed.
#pragma once
#include <cstdint>

#include "hw/IoDriver.h"
#include "hw/RequestFailures.h"
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
  // False when the request failed or the driver is not open.
  bool WritePortByte(std::uint16_t port, std::uint8_t value);
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

  // Failed requests since the program started (a byte write without an open driver included).
  std::uint64_t FailureCount() const { return failures_.Count(); }
  // A command's reporting: within it each failure message is shown once; at its end the Ui is
  // told how often each shown message came again. See CommandReporting.
  bool BeginCommand() { return failures_.BeginCommand(); }
  void EndCommand();

 private:
  bool SendPortRequest(std::uint16_t port, std::uint32_t data, std::uint16_t direction,
                       std::uint16_t width, std::uint32_t& result);
  void ShowFailure(const char* caption, const char* text);

  IoDriver& driver_;
  ui::Ui& ui_;
  RequestFailures failures_;
};

// Reports the driver's failures of one command (start-up, save, flash) from construction to the
// end of the scope. Inside another command's scope it changes nothing.
class CommandReporting {
 public:
  explicit CommandReporting(DriverRequests& io) : io_(io), started_(io.BeginCommand()) {}
  ~CommandReporting() {
    if (started_) io_.EndCommand();
  }
  CommandReporting(const CommandReporting&) = delete;
  CommandReporting& operator=(const CommandReporting&) = delete;

 private:
  DriverRequests& io_;
  bool started_;
};

// Notes the failure count when made: Failed() tells whether a driver request failed since, that
// is, whether a request of the operation that holds the watch failed.
class FailureWatch {
 public:
  explicit FailureWatch(const DriverRequests& io) : io_(io), start_(io.FailureCount()) {}
  bool Failed() const { return io_.FailureCount() != start_; }

 private:
  const DriverRequests& io_;
  std::uint64_t start_;
};

}  // namespace rz::hw
