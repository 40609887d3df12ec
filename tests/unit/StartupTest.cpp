// Start-up and teardown of the main window over the emulated machine.
#include <gtest/gtest.h>

#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;

TEST(Startup, GoodStartBringsUpDriverSkinsWaitsDetectsAndIsReady) {
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})}});
  bool detected = false;
  std::uint64_t detectedAt = 0;
  h.program->detect = [&](app::Program&) {
    detected = true;
    detectedAt = h.Machine().Clock().Now();
    return true;
  };
  EXPECT_EQ(h.program->FormCreate(), app::StartResult::Ready);
  EXPECT_TRUE(detected);
  EXPECT_GE(detectedAt, 500 * sim::kMillisecond);
  EXPECT_EQ(h.program->programFolder, h.dir.Path().string() + "/");
  EXPECT_EQ(h.platform->Services().Calls().front(), "OpenManager");
  EXPECT_TRUE(h.platform->Device().IsOpen());
  EXPECT_EQ(h.ui.StatusText(), "Ready");
  h.program->FormDestroy();
  EXPECT_FALSE(h.platform->Services().ServiceExists());
  EXPECT_FALSE(h.platform->Device().IsOpen());
}

TEST(Startup, MissingDriverShowsOnlyTheBringUpFailure) {
  SimHarness h(json{{"driver", "missing"}});
  bool detected = false;
  h.program->detect = [&](app::Program&) { return detected = true; };
  EXPECT_EQ(h.program->FormCreate(), app::StartResult::DriverFailed);
  EXPECT_FALSE(detected);
  ASSERT_EQ(h.ui.Lines().size(), 1u);
  EXPECT_EQ(h.ui.Lines()[0], "dialog: Initialize DODozori Fail!!!");
  h.program->FormDestroy();
  EXPECT_FALSE(h.platform->Services().ServiceExists()) << "the half-installed service is removed";
}

}  // namespace
}  // namespace rz::test
