// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/driver/WindowsServiceControl.h"

#include "host/windows/WideName.h"

namespace rz::platform {

SC_HANDLE WindowsServiceControl::Find(ServiceHandle handle) {
  const auto it = open_.find(handle);
  if (it != open_.end()) return it->second.get();
  lastError_ = ERROR_INVALID_HANDLE;
  return nullptr;
}

ServiceHandle WindowsServiceControl::Keep(SC_HANDLE handle) {
  if (!handle) {
    lastError_ = ::GetLastError();
    return kNullService;
  }
  lastError_ = 0;
  const auto key = static_cast<ServiceHandle>(reinterpret_cast<std::uintptr_t>(handle));
  open_.insert_or_assign(key, win::OwnedService(handle));
  return key;
}

bool WindowsServiceControl::Succeeded(BOOL ok) {
  lastError_ = ok ? 0 : ::GetLastError();
  return ok != FALSE;
}

ServiceHandle WindowsServiceControl::OpenManager(std::uint32_t access) {
  return Keep(::OpenSCManagerW(nullptr, nullptr, access));
}

ServiceHandle WindowsServiceControl::OpenService(ServiceHandle manager, const std::string& name,
                                                 std::uint32_t access) {
  const SC_HANDLE m = Find(manager);
  if (!m) return kNullService;
  const win::WideName wide(name);
  return Keep(wide ? ::OpenServiceW(m, wide.c_str(), access) : nullptr);
}

ServiceHandle WindowsServiceControl::CreateService(ServiceHandle manager,
                                                   const ServiceParams& params) {
  const SC_HANDLE m = Find(manager);
  if (!m) return kNullService;
  // The driver file lies in the program's folder, whose name may be in any language.
  const win::WideName name(params.name);
  const win::WideName displayName(params.displayName);
  const win::WideName binaryPath(params.binaryPath);
  if (!name || !displayName || !binaryPath) return Keep(nullptr);
  return Keep(::CreateServiceW(m, name.c_str(), displayName.c_str(), params.access, params.type,
                               params.startType, params.errorControl, binaryPath.c_str(), nullptr,
                               nullptr, nullptr, nullptr, nullptr));
}

bool WindowsServiceControl::StartService(ServiceHandle service) {
  const SC_HANDLE s = Find(service);
  return s && Succeeded(::StartServiceW(s, 0, nullptr));
}

bool WindowsServiceControl::ControlService(ServiceHandle service, std::uint32_t control) {
  const SC_HANDLE s = Find(service);
  SERVICE_STATUS status{};
  return s && Succeeded(::ControlService(s, control, &status));
}

bool WindowsServiceControl::DeleteService(ServiceHandle service) {
  const SC_HANDLE s = Find(service);
  return s && Succeeded(::DeleteService(s));
}

void WindowsServiceControl::CloseServiceHandle(ServiceHandle handle) { open_.erase(handle); }

}  // namespace rz::platform
