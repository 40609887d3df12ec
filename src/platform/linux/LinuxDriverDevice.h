// The I/O driver's requests on Linux, where the kernel's /dev/port and /dev/mem stand in for the
// driver: port requests become port accesses, map requests mmap /dev/mem. Needs root and a kernel
// without lockdown; see RawAccessProblem.h for telling the user why it fails.
#pragma once
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/DriverDevice.h"

namespace rz::platform {

// How 2- and 4-byte port requests are carried out.
enum class WidePortAccess {
  // x86 port instructions (inw/inl, outw/outl) after ioperm(): one access of the full width, as
  // PCI configuration mechanism 1 requires at 0xCF8. Not available on other machines, where wide
  // requests fail.
  Native,
  // Consecutive bytes through the port file. /dev/port turns this into one byte access per port,
  // which is not a dword access; only for port files that are ordinary files (tests).
  PortFileBytes,
};

struct LinuxDriverPaths {
  std::string port = "/dev/port";
  std::string mem = "/dev/mem";
  WidePortAccess wide = WidePortAccess::Native;
};

class LinuxDriverDevice final : public DriverDevice {
 public:
  explicit LinuxDriverDevice(LinuxDriverPaths paths = {});
  ~LinuxDriverDevice() override;
  LinuxDriverDevice(const LinuxDriverDevice&) = delete;
  LinuxDriverDevice& operator=(const LinuxDriverDevice&) = delete;

  // Opens the port file and the memory file read-write; the Windows-style device path is ignored.
  // Succeeds only when both open.
  DeviceHandle Open(const std::string& devicePath) override;
  void Close(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override;

  // Accesses through a mapping by its 32-bit linear token. Outside every live mapping reads
  // answer all ones and writes are dropped (counted in InvalidAccesses()).
  std::uint8_t ReadMapped8(std::uint32_t linear) override;
  void WriteMapped8(std::uint32_t linear, std::uint8_t value) override;
  std::uint32_t ReadMapped32(std::uint32_t linear) override;
  void WriteMapped32(std::uint32_t linear, std::uint32_t value) override;

  std::size_t LiveMappings() const { return mappings_.size(); }
  std::uint64_t InvalidAccesses() const { return invalidAccesses_; }

 private:
  struct Mapping {
    void* base = nullptr;         // what mmap returned (page-aligned)
    std::size_t mappedBytes = 0;  // length given to mmap
    volatile std::uint8_t* start = nullptr;  // the requested physical address
    std::uint32_t length = 0;     // the requested length
    std::uint64_t span = 0;       // token range reserved for it
  };

  bool PortRequest(const std::uint8_t* in, std::uint8_t* out);
  bool PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value);
  bool PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value);
  bool GrantPorts(std::uint16_t port, std::uint16_t width);
  bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& token);
  // A free token range of `span` bytes; 0 when none is left.
  std::uint32_t AllocateToken(std::uint64_t span);
  bool Unmap(std::uint32_t token);
  // Host address of `size` bytes at `linear`; null when they are not inside one live mapping.
  volatile std::uint8_t* Resolve(std::uint32_t linear, std::uint32_t size);
  void CloseFiles();

  LinuxDriverPaths paths_;
  int portFd_ = -1;
  int memFd_ = -1;
  DeviceHandle handle_ = kInvalidDeviceHandle;
  DeviceHandle nextHandle_ = 1;
  std::map<std::uint32_t, Mapping> mappings_;  // key: token (linear address of the start)
  std::uint64_t nextToken_;
  std::bitset<0x10000> granted_;  // ports opened to this process by ioperm()
  std::uint64_t invalidAccesses_ = 0;
};

}  // namespace rz::platform
