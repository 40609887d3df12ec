// SPDX-License-Identifier: GPL-3.0-or-later
// The service control manager through its own calls (OpenSCManagerW, OpenServiceW,
// CreateServiceW, StartServiceW, ControlService, DeleteService), names and paths in UTF-8 (one
// that is not fails the call with ERROR_NO_UNICODE_TRANSLATION). Every handle it hands out is owned
// here until CloseServiceHandle, and closed when this object goes if the caller forgot it.
#pragma once
#include <map>

#include "host/windows/OwnedHandles.h"
#include "platform/ServiceControl.h"

namespace rz::platform {

class WindowsServiceControl final : public ServiceControl {
 public:
  // Local machine, default database.
  ServiceHandle OpenManager(std::uint32_t access) override;
  ServiceHandle OpenService(ServiceHandle manager, const std::string& name,
                            std::uint32_t access) override;
  // No load-order group, tag, dependencies, account or password.
  ServiceHandle CreateService(ServiceHandle manager, const ServiceParams& params) override;
  // No arguments. A service that already runs fails with kErrorServiceAlreadyRunning.
  bool StartService(ServiceHandle service) override;
  bool ControlService(ServiceHandle service, std::uint32_t control) override;
  bool DeleteService(ServiceHandle service) override;
  void CloseServiceHandle(ServiceHandle handle) override;
  // The system's error code of the last call; 0 after one that succeeded. Handles not handed out
  // here are refused with ERROR_INVALID_HANDLE, without a call.
  std::uint32_t LastError() const override { return lastError_; }

  std::size_t OpenHandles() const { return open_.size(); }

 private:
  SC_HANDLE Find(ServiceHandle handle);
  ServiceHandle Keep(SC_HANDLE handle);
  bool Succeeded(BOOL ok);

  std::map<ServiceHandle, win::OwnedService> open_;
  std::uint32_t lastError_ = 0;
};

}  // namespace rz::platform
