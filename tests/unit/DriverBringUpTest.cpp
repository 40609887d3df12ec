// SPDX-License-Identifier: GPL-3.0-or-later
// Bring-up and teardown of the I/O driver against the emulated service manager.
#include <gtest/gtest.h>

#include "hw/IoDriver.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

TEST(DriverBringUp, ReinstallsStartsAndOpensInTheServiceManagersOrder) {
  SimHarness h(json::object());
  ASSERT_TRUE(h.program->driver.OpenDriver());
  const std::string driverPath = h.dir.File("ZPCIDrv.sys");
  EXPECT_EQ(h.platform->Services().Calls(),
            (std::vector<std::string>{
                // stop: there is no service yet
                "OpenManager", "OpenService ZPCIDrv", "Close",
                // delete: likewise
                "OpenManager", "OpenService ZPCIDrv", "Close",
                // create
                "OpenManager", "Create ZPCIDrv " + driverPath, "Close", "Close",
                // start
                "OpenManager", "OpenService ZPCIDrv", "Close", "Start", "Close"}));
  EXPECT_EQ(h.program->driver.driverFilePath, driverPath);
  EXPECT_EQ(h.program->driver.devicePath, "\\\\.\\ZPCIDrv");
  EXPECT_EQ(h.platform->Device().LastOpenedPath(), "\\\\.\\ZPCIDrv");
  EXPECT_TRUE(h.program->driver.IsOpen());
  EXPECT_EQ(h.platform->Services().OpenHandles(), 0u);

  h.program->driver.CloseDriver();
  EXPECT_FALSE(h.program->driver.IsOpen());
  EXPECT_FALSE(h.platform->Device().IsOpen());
  EXPECT_FALSE(h.platform->Services().ServiceExists());
  EXPECT_EQ(h.platform->Services().OpenHandles(), 0u);
}

TEST(DriverBringUp, OsCodeChoosesTheDriverBuild) {
  struct Case {
    std::uint32_t os;
    const char* file;
    const char* device;
  } cases[] = {
      {0x20010064, "ZPCIDrv64.sys", "\\\\.\\ZPCIDrv64"}, {0x20070002, "ZPCIDrv64.sys", "\\\\.\\ZPCIDrv64"},
      {0, "ZPCIDrv.sys", "\\\\.\\ZPCIDrv"},              {0x20010065, "ZPCIDrv.sys", "\\\\.\\ZPCIDrv"},
      {0x20070001, "ZPCIDrv.sys", "\\\\.\\ZPCIDrv"},     {0xFFFFFFFF, "ZPCIDrv.sys", "\\\\.\\ZPCIDrv"},
  };
  for (const auto& c : cases) {
    SimHarness h(json{{"os_version", c.os}});
    EXPECT_TRUE(h.program->driver.OpenDriver()) << std::hex << c.os;
    EXPECT_EQ(h.program->driver.osVersion, c.os);
    EXPECT_EQ(h.program->driver.driverFilePath, h.dir.Folder() + c.file);
    EXPECT_EQ(h.program->driver.devicePath, c.device);
    EXPECT_EQ(h.platform->Device().LastOpenedPath(), c.device);
  }
}

TEST(DriverBringUp, StartAnsweringAlreadyRunningCountsAsStarted) {
  SimHarness h(json{{"faults", {{"service_already_running", true}}}});
  EXPECT_TRUE(h.program->driver.OpenDriver());
  EXPECT_TRUE(h.platform->Device().IsOpen());
}

TEST(DriverBringUp, LeftoverRunningServiceIsStoppedDeletedAndCreatedAgain) {
  SimHarness h(json::object());
  h.platform->Services().InstallLeftoverService(true, "/old/place/ZPCIDrv.sys");
  ASSERT_TRUE(h.program->driver.OpenDriver());
  const auto& calls = h.platform->Services().Calls();
  const std::vector<std::string> firstCalls(calls.begin(), calls.begin() + 8);
  EXPECT_EQ(firstCalls, (std::vector<std::string>{"OpenManager", "OpenService ZPCIDrv", "Close",
                                                  "Control 1", "Close", "OpenManager",
                                                  "OpenService ZPCIDrv", "Close"}));
  EXPECT_EQ(calls[8], "Delete");
  EXPECT_EQ(h.platform->Services().BinaryPath(), h.dir.File("ZPCIDrv.sys"));
  EXPECT_TRUE(h.platform->Services().ServiceRunning());
  EXPECT_TRUE(h.platform->Device().IsOpen());
}

TEST(DriverBringUp, ProgramPathWithoutSeparatorFailsBeforeTheServiceManager) {
  for (const char* exe : {"rzflash", ""}) {
    sim::Machine machine;
    sim::EmulatedServiceControl services;
    sim::EmulatedDriverDevice device(machine, services);
    sim::EmulatedSystem system(machine, std::make_shared<sim::InstanceRegistry>(), exe, "/", 0);
    hw::IoDriver driver(services, device, system);
    EXPECT_FALSE(driver.OpenDriver()) << exe;
    EXPECT_TRUE(services.Calls().empty()) << exe;
    EXPECT_FALSE(driver.IsOpen());
  }
}

struct FailCase {
  const char* what;
  json faults;
  bool leftoverBlocksCreate = false;
};

class BringUpFailure : public ::testing::TestWithParam<FailCase> {};

TEST_P(BringUpFailure, StartUpShowsOnlyTheInitialisationFailure) {
  const FailCase& c = GetParam();
  SimHarness run(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})}, {"faults", c.faults}});
  if (c.leftoverBlocksCreate) run.platform->Services().InstallLeftoverService(false, "/x/ZPCIDrv.sys");
  bool detected = false;
  run.program->detect = [&](app::Program&) { return detected = true; };
  EXPECT_EQ(run.program->FormCreate(), app::StartResult::DriverFailed) << c.what;
  EXPECT_FALSE(run.program->driver.IsOpen());
  EXPECT_FALSE(detected);
  EXPECT_EQ(run.ui.Lines(), std::vector<std::string>{"dialog: Initialize DODozori Fail!!!"});
  ASSERT_EQ(run.ui.Events().size(), 1u);
  EXPECT_EQ(run.Machine().Counters().portRequests, 0u);
  run.program->FormDestroy();
  EXPECT_EQ(run.platform->Services().OpenHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BringUpFailure,
    ::testing::Values(FailCase{"manager cannot be opened", {{"service_fail", {"open_manager"}}}},
                      FailCase{"service cannot be created", {{"service_fail", {"create"}}}},
                      FailCase{"service cannot be opened to start it", {{"service_fail", {"open_service"}}}},
                      FailCase{"start fails", {{"service_fail", {"start"}}}},
                      FailCase{"device cannot be opened", {{"service_fail", {"open_device"}}}},
                      FailCase{"service left behind cannot be deleted", {{"service_fail", {"delete"}}}, true}),
    [](const ::testing::TestParamInfo<FailCase>& param) {
      return "Case" + std::to_string(param.index);
    });

TEST(DriverBringUp, MissingDriverFileFailsTheStartAndTeardownRemovesTheService) {
  SimHarness h(json{{"driver", "missing"}});
  EXPECT_FALSE(h.program->driver.OpenDriver());
  EXPECT_TRUE(h.platform->Services().ServiceExists()) << "created, not started";
  h.program->driver.CloseDriver();
  EXPECT_FALSE(h.platform->Services().ServiceExists());
}

}  // namespace
}  // namespace rz::test
