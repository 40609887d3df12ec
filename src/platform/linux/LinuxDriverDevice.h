// The I/O driver's requests on Linux, carried out by the first access method (AccessMethod.h)
// that works here: the sysfs PCI files, else the kernel's /dev/port and /dev/mem. The device
// keeps what every method shares: the open handle, and the mappings reached by 32-bit tokens. A
// map gets the part of its range that one BAR holds; the rest of its tokens reach nothing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/DriverDevice.h"
#include "platform/linux/AccessMethod.h"

namespace rz::platform {

class LinuxDriverDevice final : public DriverDevice {
 public:
  // The raw method alone, on `paths`.
  explicit LinuxDriverDevice(LinuxDriverPaths paths = {});
  // `methods` tried in their order on `sources` at every open.
  LinuxDriverDevice(AccessSources sources, std::vector<AccessMethodRecord> methods);
  ~LinuxDriverDevice() override;
  LinuxDriverDevice(const LinuxDriverDevice&) = delete;
  LinuxDriverDevice& operator=(const LinuxDriverDevice&) = delete;

  // Chooses the first method whose detect step succeeds; fails when none does (Attempts() then
  // says why each failed). The Windows-style device path is ignored.
  DeviceHandle Open(const std::string& devicePath) override;
  // Removes every mapping and lets the method go.
  void Close(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override;

  // Accesses through a mapping by its 32-bit linear token. Outside the mapped part of every live
  // mapping reads answer all ones and writes are dropped (counted in InvalidAccesses()).
  std::uint8_t ReadMapped8(std::uint32_t linear) override;
  void WriteMapped8(std::uint32_t linear, std::uint8_t value) override;
  std::uint32_t ReadMapped32(std::uint32_t linear) override;
  void WriteMapped32(std::uint32_t linear, std::uint32_t value) override;

  std::size_t LiveMappings() const { return mappings_.size(); }
  std::uint64_t InvalidAccesses() const { return invalidAccesses_; }
  // The method serving requests ("sysfs", "raw"); empty while not open.
  const std::string& MethodName() const { return methodName_; }
  // The methods the last open tried before the chosen one (all of them when it failed).
  const std::vector<AccessAttempt>& Attempts() const { return attempts_; }
  // Why the method refused or failed the last map request that failed; empty when none has.
  const std::string& MapProblem() const { return mapProblem_; }

 private:
  struct Mapping {
    std::unique_ptr<MappedMemory> memory;  // from the requested physical address on
    std::uint32_t physical = 0;            // the requested physical address
    std::uint32_t length = 0;              // bytes mapped (memory->Length())
    std::uint64_t span = 0;                // token range reserved for the requested length
  };

  bool PortRequest(const std::uint8_t* in, std::uint8_t* out);
  bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& token);
  // A free token range of `span` bytes; 0 when none is left.
  std::uint32_t AllocateToken(std::uint64_t span);
  bool Unmap(std::uint32_t token);
  // The mapping whose mapped part holds `size` bytes at `linear`, and their offset into it; null
  // (counted) when none does, or when a 4-byte access is not at a multiple of 4 physically.
  MappedMemory* Resolve(std::uint32_t linear, std::uint32_t size, std::uint32_t& offset);
  void DropMappings();
  void CloseMethod();

  AccessSources sources_;
  std::vector<AccessMethodRecord> methods_;
  std::unique_ptr<AccessMethod> method_;
  std::string methodName_;
  std::vector<AccessAttempt> attempts_;
  std::string mapProblem_;
  DeviceHandle handle_ = kInvalidDeviceHandle;
  DeviceHandle nextHandle_ = 1;
  std::map<std::uint32_t, Mapping> mappings_;  // key: token (linear address of the start)
  std::uint64_t nextToken_;
  std::uint64_t invalidAccesses_ = 0;
};

}  // namespace rz::platform
