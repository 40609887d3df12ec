// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/EmulatedServices.h"

#include "platform/driver/DriverFacts.h"

namespace rz::sim {

using namespace rz::platform;

namespace {
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t kErrorServiceExists = 1073;
constexpr std::uint32_t kErrorServiceNotActive = 1062;
constexpr std::uint32_t kErrorFileNotFound = 2;
}  // namespace

void EmulatedServiceControl::InstallLeftoverService(bool running, const std::string& binaryPath) {
  exists_ = true;
  running_ = running;
  binaryPath_ = binaryPath;
}

ServiceHandle EmulatedServiceControl::NewHandle(bool manager) {
  const ServiceHandle h = next_++;
  handles_.insert(h);
  if (manager) managerHandles_.insert(h);
  return h;
}

bool EmulatedServiceControl::IsServiceHandle(ServiceHandle h) const {
  return handles_.count(h) != 0 && managerHandles_.count(h) == 0;
}

ServiceHandle EmulatedServiceControl::OpenManager(std::uint32_t access) {
  calls_.push_back("OpenManager");
  if (Fails("open_manager") || access != kScManagerAllAccess) {
    lastError_ = kErrorAccessDenied;
    return kNullService;
  }
  return NewHandle(true);
}

ServiceHandle EmulatedServiceControl::OpenService(ServiceHandle manager, const std::string& name,
                                                  std::uint32_t) {
  calls_.push_back("OpenService " + name);
  if (managerHandles_.count(manager) == 0 || !exists_ || name != kDriverServiceName ||
      Fails("open_service")) {
    lastError_ = kErrorServiceDoesNotExist;
    return kNullService;
  }
  return NewHandle(false);
}

ServiceHandle EmulatedServiceControl::CreateService(ServiceHandle manager, const ServiceParams& p) {
  calls_.push_back("Create " + p.name + " " + p.binaryPath);
  if (managerHandles_.count(manager) == 0 || exists_ || Fails("create")) {
    lastError_ = exists_ ? kErrorServiceExists : kErrorAccessDenied;
    return kNullService;
  }
  exists_ = true;
  running_ = false;
  binaryPath_ = p.binaryPath;
  return NewHandle(false);
}

bool EmulatedServiceControl::StartService(ServiceHandle service) {
  calls_.push_back("Start");
  if (!IsServiceHandle(service)) return false;
  if (faults_.startAnswersAlreadyRunning || running_) {
    running_ = true;
    lastError_ = kErrorServiceAlreadyRunning;
    return false;
  }
  if (Fails("start") || faults_.driverMissing) {
    lastError_ = kErrorFileNotFound;
    return false;
  }
  running_ = true;
  return true;
}

bool EmulatedServiceControl::ControlService(ServiceHandle service, std::uint32_t control) {
  calls_.push_back("Control " + std::to_string(control));
  if (!IsServiceHandle(service) || Fails("stop")) return false;
  if (control != kServiceControlStop || !running_) {
    lastError_ = kErrorServiceNotActive;
    return false;
  }
  running_ = false;
  return true;
}

bool EmulatedServiceControl::DeleteService(ServiceHandle service) {
  calls_.push_back("Delete");
  if (!IsServiceHandle(service) || Fails("delete")) return false;
  exists_ = false;
  running_ = false;
  return true;
}

void EmulatedServiceControl::CloseServiceHandle(ServiceHandle handle) {
  calls_.push_back("Close");
  handles_.erase(handle);
  managerHandles_.erase(handle);
}

DeviceHandle EmulatedDriverDevice::Open(const std::string& devicePath) {
  lastPath_ = devicePath;
  if (!services_.ServiceRunning() || services_.Faults().failing.count("open_device"))
    return kInvalidDeviceHandle;
  // The device name follows the driver build the service was created with.
  const std::string& binary = services_.BinaryPath();
  const std::string file64 = kDriverFile64;
  const bool is64 = binary.size() >= file64.size() &&
                    binary.compare(binary.size() - file64.size(), file64.size(), file64) == 0;
  if (devicePath != (is64 ? kDevicePath64 : kDevicePath32)) return kInvalidDeviceHandle;
  const DeviceHandle h = next_++;
  open_.insert(h);
  return h;
}

void EmulatedDriverDevice::Close(DeviceHandle handle) {
  open_.erase(handle);
  if (known_ == handle) known_.reset();
}

bool EmulatedDriverDevice::Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
                                   std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) {
  if (known_ != handle) {
    if (open_.count(handle) == 0) return false;
    known_ = handle;
  }
  return ServeDriverRequest(*this, code, in, inSize, out, outSize);
}

}  // namespace rz::sim
