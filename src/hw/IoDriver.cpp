// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/IoDriver.h"

#include "base/Paths.h"

namespace rz::hw {

using namespace rz::platform;

bool IoDriver::ResolveDriverPaths() {
  osVersion = system_.GetOSVer();
  driverFilePath = system_.ExecutablePath();
  if (driverFilePath.empty()) return false;
  const auto pos = driverFilePath.find_last_of(kPathSeparator);
  if (pos == std::string::npos) return false;
  driverFilePath.resize(pos + 1);
  driverFilePath += DriverFileFor(osVersion);
  devicePath = DevicePathFor(osVersion);
  return true;
}

ServiceHandle IoDriver::OpenDriverService() {
  const ServiceHandle manager = services_.OpenManager(kScManagerAllAccess);
  if (manager == kNullService) return kNullService;
  const ServiceHandle service = services_.OpenService(manager, kDriverServiceName, kServiceAllAccess);
  services_.CloseServiceHandle(manager);
  return service;
}

bool IoDriver::StopDriverService() {
  const ServiceHandle service = OpenDriverService();
  if (service == kNullService) return false;
  const bool ok = services_.ControlService(service, kServiceControlStop);
  services_.CloseServiceHandle(service);
  return ok;
}

bool IoDriver::RemoveDriverService() {
  StopDriverService();
  const ServiceHandle service = OpenDriverService();
  if (service == kNullService) return false;
  const bool ok = services_.DeleteService(service);
  services_.CloseServiceHandle(service);
  return ok;
}

bool IoDriver::InstallDriverService(bool demandStart) {
  RemoveDriverService();
  const ServiceHandle manager = services_.OpenManager(kScManagerAllAccess);
  if (manager == kNullService) return false;
  ServiceParams params;
  params.name = kDriverServiceName;
  params.displayName = kDriverServiceName;
  params.startType = demandStart ? kServiceDemandStart : kServiceSystemStart;
  params.binaryPath = driverFilePath;
  const ServiceHandle service = services_.CreateService(manager, params);
  services_.CloseServiceHandle(manager);
  if (service == kNullService) return false;
  services_.CloseServiceHandle(service);
  return true;
}

bool IoDriver::StartDriverService() {
  const ServiceHandle service = OpenDriverService();
  if (service == kNullService) return false;
  bool ok = services_.StartService(service);
  if (!ok && services_.LastError() == kErrorServiceAlreadyRunning) ok = true;
  services_.CloseServiceHandle(service);
  return ok;
}

bool IoDriver::OpenDriver() {
  if (!devicePath.empty()) {
    deviceHandle = device_.Open(devicePath);
    if (deviceHandle != kInvalidDeviceHandle) return true;
  }
  if (!ResolveDriverPaths()) return false;
  if (!InstallDriverService(true)) return false;
  if (!StartDriverService()) return false;
  deviceHandle = device_.Open(devicePath);
  return deviceHandle != kInvalidDeviceHandle;
}

void IoDriver::CloseDriver() {
  if (deviceHandle != kInvalidDeviceHandle) {
    device_.Close(deviceHandle);
    deviceHandle = kInvalidDeviceHandle;
  }
  RemoveDriverService();
}

}  // namespace rz::hw
