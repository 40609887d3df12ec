// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/LinuxServiceControl.h"

namespace rz::platform {
namespace {
constexpr std::uint32_t kErrorInvalidHandle = 6;
}

ServiceHandle LinuxServiceControl::NewHandle(std::set<ServiceHandle>& into) {
  const ServiceHandle h = next_++;
  into.insert(h);
  lastError_ = 0;
  return h;
}

bool LinuxServiceControl::IsService(ServiceHandle h) {
  if (services_.count(h) != 0) {
    lastError_ = 0;
    return true;
  }
  lastError_ = kErrorInvalidHandle;
  return false;
}

ServiceHandle LinuxServiceControl::OpenManager(std::uint32_t) { return NewHandle(managers_); }

ServiceHandle LinuxServiceControl::OpenService(ServiceHandle manager, const std::string&,
                                               std::uint32_t) {
  if (managers_.count(manager) == 0) {
    lastError_ = kErrorInvalidHandle;
    return kNullService;
  }
  return NewHandle(services_);
}

ServiceHandle LinuxServiceControl::CreateService(ServiceHandle manager, const ServiceParams&) {
  return OpenService(manager, "", 0);
}

void LinuxServiceControl::ReleaseFiles() {
  if (slot_) slot_->files.reset();
}

bool LinuxServiceControl::StartService(ServiceHandle service) {
  if (!IsService(service)) return false;
  if (lock_ && lock_->State() != RunLockState::Held) {
    problem_ = lock_->Problem().empty() ? "the program's single-instance lock was not taken"
                                        : lock_->Problem();
    lastError_ = kErrorAccessDenied;
    return false;
  }
  if (!slot_ || !helper_) return true;
  ReleaseFiles();
  ObtainedSysfsFiles obtained = ObtainSysfsFiles(*helper_);
  problem_ = obtained.reason;
  if (obtained.failure != AccessFailure::None) {
    lastError_ = kErrorAccessDenied;
    return false;
  }
  slot_->files = std::move(obtained.files);
  return true;
}

bool LinuxServiceControl::ControlService(ServiceHandle service, std::uint32_t) {
  if (!IsService(service)) return false;
  ReleaseFiles();
  return true;
}

bool LinuxServiceControl::DeleteService(ServiceHandle service) {
  if (!IsService(service)) return false;
  ReleaseFiles();
  return true;
}

void LinuxServiceControl::CloseServiceHandle(ServiceHandle handle) {
  managers_.erase(handle);
  services_.erase(handle);
}

}  // namespace rz::platform
