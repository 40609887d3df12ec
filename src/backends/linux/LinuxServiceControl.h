// SPDX-License-Identifier: GPL-3.0-or-later
// The service manager on Linux. There is no driver to install; what the bring-up's service calls
// stand for is getting hold of the PCI files the access method works with: starting the service
// obtains them into the slot (as root the method opens them itself, else the run's access helper
// hands them over), stopping or deleting it closes every descriptor again. A run that does not
// hold the machine's single-instance lock is refused the start, so it never reaches the card.
// Handles are still handed out and checked, so the bring-up's open/close pairing behaves as it
// would with a real manager. Without a slot (the raw-port fallback, tests of it) and a lock every
// call succeeds.
#pragma once
#include <set>
#include <string>

#include "backends/linux/access/SysfsFilesSlot.h"
#include "backends/linux/broker/ObtainSysfsFiles.h"
#include "backends/linux/broker/RunLock.h"
#include "platform/ServiceControl.h"

namespace rz::platform {

// The error a failed start reports, as the service manager does when access is refused.
inline constexpr std::uint32_t kErrorAccessDenied = 5;

class LinuxServiceControl final : public ServiceControl {
 public:
  LinuxServiceControl() = default;
  // `lock` (may be null: not asked) is the run's single-instance lock.
  LinuxServiceControl(SysfsFilesSlot& slot, AccessSession& helper, const RunLock* lock = nullptr)
      : slot_(&slot), helper_(&helper), lock_(lock) {}

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
  // Why the last start failed, for the terminal; empty after a successful one.
  const std::string& AccessProblem() const { return problem_; }

 private:
  ServiceHandle NewHandle(std::set<ServiceHandle>& into);
  bool IsService(ServiceHandle h);
  void ReleaseFiles();

  SysfsFilesSlot* slot_ = nullptr;
  AccessSession* helper_ = nullptr;
  const RunLock* lock_ = nullptr;
  std::string problem_;
  std::set<ServiceHandle> managers_;
  std::set<ServiceHandle> services_;
  ServiceHandle next_ = 1;
  std::uint32_t lastError_ = 0;
};

}  // namespace rz::platform
