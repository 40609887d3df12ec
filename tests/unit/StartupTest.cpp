// SPDX-License-Identifier: GPL-3.0-or-later
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
  EXPECT_EQ(h.program->programFolder, h.dir.Folder());
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

TEST(Startup, GoodStartRunsTheWindowStepsInOrder) {
  SimHarness h(json{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})}});
  std::size_t eventsAtDetection = 0;
  h.program->detect = [&](app::Program&) {
    eventsAtDetection = h.ui.Events().size();
    return true;
  };
  ASSERT_EQ(h.program->FormCreate(), app::StartResult::Ready);
  std::vector<ui::EventKind> kinds;
  for (const auto& e : h.ui.Events()) kinds.push_back(e.kind);
  EXPECT_EQ(kinds, (std::vector<ui::EventKind>{ui::EventKind::LoadSkin, ui::EventKind::ProcessEvents,
                                               ui::EventKind::SizeWindow, ui::EventKind::SetStatus}));
  EXPECT_EQ(eventsAtDetection, 2u) << "detection runs after the skin and the pending events";
}

TEST(Startup, DetectionCanEndTheProgramBeforeTheWindowIsSized) {
  SimHarness h(json::object());
  h.program->detect = [](app::Program&) { return false; };
  EXPECT_EQ(h.program->FormCreate(), app::StartResult::EndedByDetection);
  EXPECT_FALSE(h.ui.StatusText().has_value());
  h.program->FormDestroy();
  EXPECT_FALSE(h.platform->Services().ServiceExists());
}

TEST(Startup, SecondInstanceIsRefusedAndLeavesTheFirstUntouched) {
  auto instances = std::make_shared<sim::InstanceRegistry>();
  const json machine{{"adapters", json::array({Adapter(1, 0, 0x10DE, 0x0191)})}};
  SimHarness first(machine, instances);
  SimHarness second(machine, instances);
  bool secondDetected = false;
  second.program->detect = [&](app::Program&) { return secondDetected = true; };

  ASSERT_EQ(first.program->FormCreate(), app::StartResult::Ready);
  const auto firstCalls = first.platform->Services().Calls();
  EXPECT_EQ(second.program->FormCreate(), app::StartResult::SecondInstance);
  ASSERT_EQ(second.ui.Events().size(), 1u);
  const auto& box = second.ui.Events()[0];
  EXPECT_EQ(box.kind, ui::EventKind::MessageBox);
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.text, "Kelvara is running!");
  EXPECT_EQ(box.buttons, ui::Buttons::Ok);
  EXPECT_EQ(box.owner, ui::Owner::MainWindow);
  EXPECT_FALSE(secondDetected);

  second.program->FormDestroy();
  EXPECT_TRUE(second.platform->Services().Calls().empty()) << "the driver is never touched";
  EXPECT_EQ(second.Machine().Counters().portRequests, 0u);
  EXPECT_EQ(first.platform->Services().Calls(), firstCalls);
  EXPECT_TRUE(first.platform->Services().ServiceRunning());
  EXPECT_TRUE(first.platform->Device().IsOpen());
  EXPECT_TRUE(instances->Holds("rzflash")) << "the first instance still holds the name";

  first.program->FormDestroy();
  EXPECT_FALSE(instances->Holds("rzflash"));
  SimHarness third(machine, instances);
  EXPECT_EQ(third.program->FormCreate(), app::StartResult::Ready) << "a later start runs again";
  third.program->FormDestroy();
}

// The windowed program and the terminal front end, under whatever file names, are one program to
// the single-instance test: two of them must never work on one card at once.
TEST(Startup, EveryProgramOfEveryFileNameIsTheSameInstance) {
  const std::pair<const char*, const char*> starts[] = {
      {"rzflash", "rzflash"}, {"rzflash", "rzflash-cli"}, {"rzflash-cli", "rzflash"},
      {"RZFLASH.exe", "RZFLASH2.exe"}};
  for (const auto& [firstName, secondName] : starts) {
    SCOPED_TRACE(std::string(firstName) + " then " + secondName);
    auto instances = std::make_shared<sim::InstanceRegistry>();
    SimHarness first(json{{"executable", firstName}}, instances);
    SimHarness second(json{{"executable", secondName}}, instances);
    EXPECT_EQ(first.program->FormCreate(), app::StartResult::Ready);
    EXPECT_EQ(second.program->FormCreate(), app::StartResult::SecondInstance);
    EXPECT_EQ(second.ui.Lines().size(), 1u);
    first.program->FormDestroy();
    second.program->FormDestroy();
  }
}

}  // namespace
}  // namespace rz::test
