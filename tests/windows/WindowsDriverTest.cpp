// SPDX-License-Identifier: GPL-3.0-or-later
// The driver's bring-up on the real service control manager without the driver file, the program's
// start-up that shows the failure, and the device seam's handling of handles and mappings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "backends/windows/WindowsSystem.h"
#include "backends/windows/driver/WindowsDriverDevice.h"
#include "backends/windows/driver/WindowsServiceControl.h"
#include "base/Paths.h"
#include "host/PrivateFolder.h"
#include "host/windows/OwnedHandles.h"
#include "hw/IoDriver.h"
#include "platform/driver/DriverProtocol.h"
#include "support/DriverRequestCases.h"

namespace rz::test {
namespace {

using platform::ServiceHandle;
using platform::win::OwnedService;

// One call the bring-up made, with its outcome.
struct Call {
  std::string name;
  bool ok;
  std::uint32_t error;
};

// Passes every call to the real manager and writes down what came back.
class RecordingServices final : public platform::ServiceControl {
 public:
  explicit RecordingServices(platform::ServiceControl& inner) : inner_(inner) {}
  ServiceHandle OpenManager(std::uint32_t access) override {
    return Note("OpenManager", inner_.OpenManager(access));
  }
  ServiceHandle OpenService(ServiceHandle m, const std::string& name, std::uint32_t access) override {
    return Note("OpenService", inner_.OpenService(m, name, access));
  }
  ServiceHandle CreateService(ServiceHandle m, const platform::ServiceParams& p) override {
    return Note("CreateService", inner_.CreateService(m, p));
  }
  bool StartService(ServiceHandle s) override { return Note("StartService", inner_.StartService(s)); }
  bool ControlService(ServiceHandle s, std::uint32_t c) override {
    return Note("ControlService", inner_.ControlService(s, c));
  }
  bool DeleteService(ServiceHandle s) override { return Note("DeleteService", inner_.DeleteService(s)); }
  void CloseServiceHandle(ServiceHandle h) override { inner_.CloseServiceHandle(h); }
  std::uint32_t LastError() const override { return inner_.LastError(); }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& c : calls) names.push_back(c.name + (c.ok ? "" : " failed"));
    return names;
  }
  std::vector<Call> calls;

 private:
  template <typename T>
  T Note(const char* name, T result) {
    calls.push_back({name, static_cast<bool>(result), inner_.LastError()});
    return result;
  }
  platform::ServiceControl& inner_;
};

// The driver's service as the manager has it, opened with the system's calls directly.
OwnedService OpenDriverServiceDirectly(std::uint32_t& error) {
  const OwnedService manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) {
    error = ::GetLastError();
    return {};
  }
  OwnedService service(::OpenServiceA(manager.get(), platform::kDriverServiceName, SERVICE_ALL_ACCESS));
  error = service ? 0 : ::GetLastError();
  return service;
}

// Removes a service left by an earlier run that was cut short, so every test starts without one.
void RemoveLeftoverService() {
  std::uint32_t error = 0;
  if (const auto service = OpenDriverServiceDirectly(error)) {
    SERVICE_STATUS status{};
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    ::DeleteService(service.get());
  }
}

// A service of that name as another program (or an earlier run) left it.
void RegisterStrayService(const std::string& binary) {
  const OwnedService manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ASSERT_TRUE(manager);
  const OwnedService service(::CreateServiceA(
      manager.get(), platform::kDriverServiceName, "stray", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
      SERVICE_SYSTEM_START, SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr,
      nullptr, nullptr));
  ASSERT_TRUE(service) << ::GetLastError();
}

class DriverBringUpOnMachine : public ::testing::Test {
 protected:
  void SetUp() override { RemoveLeftoverService(); }
  void TearDown() override { RemoveLeftoverService(); }

  platform::WindowsServiceControl realServices;
  RecordingServices services{realServices};
  platform::WindowsDriverDevice device;
  platform::WindowsSystem system;
  hw::IoDriver driver{services, device, system};
};

TEST_F(DriverBringUpOnMachine, WithoutTheDriverFileTheStartFailsAndCloseRemovesTheService) {
  EXPECT_FALSE(driver.OpenDriver());
  // Stop and delete of a service that is not there, creation, then the start that fails.
  EXPECT_EQ(services.Names(),
            (std::vector<std::string>{"OpenManager", "OpenService failed", "OpenManager",
                                      "OpenService failed", "OpenManager", "CreateService",
                                      "OpenManager", "OpenService", "StartService failed"}));
  EXPECT_EQ(services.calls[1].error, static_cast<std::uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_NE(services.calls.back().error, 0u);
  EXPECT_NE(services.calls.back().error, platform::kErrorServiceAlreadyRunning);
  EXPECT_FALSE(driver.IsOpen());
  EXPECT_EQ(realServices.OpenHandles(), 0u) << "every handle closed";

  // The created service stays registered, as the bring-up made it, until the teardown.
  std::uint32_t error = 0;
  const auto service = OpenDriverServiceDirectly(error);
  ASSERT_TRUE(service) << error;
  std::vector<std::uint8_t> buffer(8192);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  DWORD needed = 0;
  ASSERT_TRUE(::QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed));
  EXPECT_EQ(config->dwServiceType, platform::kServiceKernelDriver);
  EXPECT_EQ(config->dwStartType, platform::kServiceDemandStart);
  EXPECT_EQ(config->dwErrorControl, platform::kServiceErrorNormal);
  EXPECT_EQ(std::string(config->lpBinaryPathName), driver.driverFilePath);
  EXPECT_EQ(std::string(config->lpDisplayName), platform::kDriverServiceName);
  const bool is64 = system.GetOSVer() == platform::kOsCode64A || system.GetOSVer() == platform::kOsCode64B;
  EXPECT_EQ(driver.driverFilePath,
            FolderOf(system.ExecutablePath()) + (is64 ? platform::kDriverFile64 : platform::kDriverFile32));
  EXPECT_EQ(driver.devicePath, is64 ? platform::kDevicePath64 : platform::kDevicePath32);

  services.calls.clear();
  driver.CloseDriver();
  EXPECT_EQ(services.Names(),
            (std::vector<std::string>{"OpenManager", "OpenService", "ControlService failed",
                                      "OpenManager", "OpenService", "DeleteService"}));
  EXPECT_EQ(realServices.OpenHandles(), 0u);
}

TEST_F(DriverBringUpOnMachine, AServiceLeftBehindIsReplaced) {
  RegisterStrayService("C:\\nowhere\\stray.sys");
  EXPECT_FALSE(driver.OpenDriver());
  const auto names = services.Names();
  ASSERT_GE(names.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 6),
            (std::vector<std::string>{"OpenManager", "OpenService", "ControlService failed",
                                      "OpenManager", "OpenService", "DeleteService"}));
  EXPECT_EQ(std::count(names.begin(), names.end(), "CreateService"), 1)
      << "the stray service was gone when the new one was made";
  std::uint32_t error = 0;
  const auto service = OpenDriverServiceDirectly(error);
  ASSERT_TRUE(service);
  std::vector<std::uint8_t> buffer(8192);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  DWORD needed = 0;
  ASSERT_TRUE(::QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed));
  EXPECT_EQ(std::string(config->lpBinaryPathName), driver.driverFilePath);
  driver.CloseDriver();
}

TEST_F(DriverBringUpOnMachine, ProgramShowsTheFailureAndLeavesNoServiceBehind) {
  const auto r = RunChild(Quoted(CliPath()) + " info");
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 3u);
  EXPECT_EQ(r.out, "Initialize DODozori Fail!!!\n") << "one line, ended by a line feed alone";
  EXPECT_NE(r.err.find("could not be installed or opened"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("is missing"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
  std::uint32_t error = 0;
  EXPECT_FALSE(OpenDriverServiceDirectly(error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST(DriverDevice, TheDriversDevicesAreAbsent) {
  platform::WindowsDriverDevice device;
  for (const char* path : {platform::kDevicePath32, platform::kDevicePath64}) {
    EXPECT_EQ(device.Open(path), platform::kInvalidDeviceHandle) << path;
    EXPECT_EQ(device.LastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND)) << path;
  }
}

TEST(DriverDevice, OpensUnsharedAndAgainAfterClose) {
  platform::PrivateFolder dir("rz-device-");
  const std::string path = dir.File("device");
  platform::win::OwnedHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  platform::WindowsDriverDevice device;
  const auto first = device.Open(path);
  ASSERT_NE(first, platform::kInvalidDeviceHandle) << device.LastError();
  EXPECT_EQ(device.Open(path), platform::kInvalidDeviceHandle) << "no sharing";
  EXPECT_EQ(device.LastError(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
  device.Close(first);
  const auto second = device.Open(path);
  EXPECT_NE(second, platform::kInvalidDeviceHandle) << device.LastError();
  device.Close(second);
}

// Requests on something that is no driver (a plain file opened as the device), and on handles
// this device never opened. Malformed requests, and unmaps of addresses no mapping starts at,
// never reach the driver: the file would fail them with an error of its own.
TEST(DriverDevice, RequestsThatCannotBeServedFail) {
  platform::PrivateFolder dir("rz-device-");
  const std::string path = dir.File("device");
  platform::win::OwnedHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  platform::WindowsDriverDevice device;
  const auto file = device.Open(path);
  ASSERT_NE(file, platform::kInvalidDeviceHandle);
  platform::win::OwnedHandle(::CreateFileA((path + "2").c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  const auto closed = device.Open(path + "2");
  ASSERT_NE(closed, platform::kInvalidDeviceHandle);
  device.Close(closed);
  auto port = platform::EncodePortAccess(
      platform::PortAccessRequest{0xCFC, 0, 0, platform::kPortDirectionRead, 4});
  const auto map = platform::EncodePhysMap(platform::PhysMapRequest{0xF0000000, 0x1000});
  std::uint8_t linear[4] = {0x00, 0x00, 0x00, 0x20};
  struct Case {
    platform::DeviceHandle handle;
    bool sentToTheSystem;
  } handles[] = {{file, true}, {closed, false}, {platform::kInvalidDeviceHandle, false},
                 {file + 4, false}};
  for (const auto& h : handles) {
    SCOPED_TRACE(h.handle);
    EXPECT_FALSE(
        device.Control(h.handle, platform::kIoctlAccessPortData, port.data(), 12, port.data(), 12));
    EXPECT_EQ(device.LastError() == ERROR_INVALID_HANDLE, !h.sentToTheSystem) << device.LastError();
    EXPECT_FALSE(
        device.Control(h.handle, platform::kIoctlMapPhysToLinear, map.data(), 8, linear, 4));
    EXPECT_FALSE(
        device.Control(h.handle, platform::kIoctlUnmapPhysToLinear, linear, 4, linear, 4));
    EXPECT_NE(device.LastError(), 0u);
  }
  EXPECT_EQ(device.LiveMappings(), 0u) << "a failed map request maps nothing";
  ExpectMalformedRequestsRefused(device, file, [&](const DriverRequestCase&) {
    EXPECT_EQ(device.LastError(), static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
  });
  EXPECT_FALSE(device.Control(file, platform::kIoctlUnmapPhysToLinear, linear, 4, linear, 4));
  EXPECT_EQ(device.LastError(), static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
  device.Close(file);
  EXPECT_FALSE(
      device.Control(file, platform::kIoctlAccessPortData, port.data(), 12, port.data(), 12))
      << "a closed handle is no longer the device's";
  EXPECT_EQ(device.LastError(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
}

TEST(DriverDevice, AccessesOutsideAnyMappingAreRefused) {
  platform::WindowsDriverDevice device;
  EXPECT_EQ(device.ReadMapped8(0x20000000), 0xFF);
  EXPECT_EQ(device.ReadMapped32(0x20000000), 0xFFFFFFFFu);
  device.WriteMapped8(0x20000000, 1);
  device.WriteMapped32(0x20000000, 1);
  EXPECT_EQ(device.InvalidAccesses(), 4u);
}

}  // namespace
}  // namespace rz::test
