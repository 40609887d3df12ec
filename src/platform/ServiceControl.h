// SPDX-License-Identifier: GPL-3.0-or-later
// The service-manager calls that driver bring-up makes, so their order and failures can be tested.
#pragma once
#include <cstdint>
#include <string>

namespace rz::platform {

using ServiceHandle = std::uint64_t;
inline constexpr ServiceHandle kNullService = 0;

inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
inline constexpr std::uint32_t kServiceKernelDriver = 1;
inline constexpr std::uint32_t kServiceSystemStart = 1;
inline constexpr std::uint32_t kServiceDemandStart = 3;
inline constexpr std::uint32_t kServiceErrorNormal = 1;
inline constexpr std::uint32_t kServiceControlStop = 1;
inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;

struct ServiceParams {
  std::string name;
  std::string displayName;
  std::uint32_t access = kServiceAllAccess;
  std::uint32_t type = kServiceKernelDriver;
  std::uint32_t startType = kServiceDemandStart;
  std::uint32_t errorControl = kServiceErrorNormal;
  std::string binaryPath;
};

class ServiceControl {
 public:
  virtual ~ServiceControl() = default;
  // Local machine, default database. kNullService on failure.
  virtual ServiceHandle OpenManager(std::uint32_t access) = 0;
  virtual ServiceHandle OpenService(ServiceHandle manager, const std::string& name,
                                    std::uint32_t access) = 0;
  virtual ServiceHandle CreateService(ServiceHandle manager, const ServiceParams& params) = 0;
  // On failure LastError() gives the error code (kErrorServiceAlreadyRunning among others).
  virtual bool StartService(ServiceHandle service) = 0;
  virtual bool ControlService(ServiceHandle service, std::uint32_t control) = 0;
  virtual bool DeleteService(ServiceHandle service) = 0;
  virtual void CloseServiceHandle(ServiceHandle handle) = 0;
  virtual std::uint32_t LastError() const = 0;
};

}  // namespace rz::platform
