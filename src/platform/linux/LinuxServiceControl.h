// The service manager on Linux: there is no driver to install (the kernel's /dev/port and /dev/mem
// serve the requests), so every call succeeds. Handles are still handed out and checked, so the
// bring-up's open/close pairing behaves as it would with a real manager.
#pragma once
#include <set>

#include "platform/ServiceControl.h"

namespace rz::platform {

class LinuxServiceControl final : public ServiceControl {
 public:
  ServiceHandle OpenManager(std::uint32_t access) override;
  ServiceHandle OpenService(ServiceHandle manager, const std::string& name,
                            std::uint32_t access) override;
  ServiceHandle CreateService(ServiceHandle manager, const ServiceParams& params) override;
  bool StartService(ServiceHandle service) override;
  bool ControlService(ServiceHandle service, std::uint32_t control) override;
  bool DeleteService(ServiceHandle service) override;
  void CloseServiceHandle(ServiceHandle handle) override;
  std::uint32_t LastError() const override { return lastError_; }

  std::size_t OpenHandles() const { return managers_.size() + services_.size(); }

 private:
  ServiceHandle NewHandle(std::set<ServiceHandle>& into);
  bool IsService(ServiceHandle h);

  std::set<ServiceHandle> managers_;
  std::set<ServiceHandle> services_;
  ServiceHandle next_ = 1;
  std::uint32_t lastError_ = 0;
};

}  // namespace rz::platform
