// SPDX-License-Identifier: GPL-3.0-or-later
// The native program entry: a good start shows the window and closing it tears the driver down;
// a second instance and a detection that ends the run never show it; an exception is shown in a
// message box with exit code 0, and the driver is still removed.
#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include <filesystem>

#include "sim/seams/EmulatedSystem.h"
#include "sim/scenario/Scenario.h"

namespace rz::win32::test {
namespace {

using nlohmann::json;

struct Machine {
  explicit Machine(std::shared_ptr<sim::InstanceRegistry> instances = nullptr) {
    const std::string folder = dir.Path().string();
    json scenario{{"adapters", json::array({rz::test::Adapter(1, 0, 0x10DE, 0x0191)})},
                  {"program_folder", folder},
                  {"working_directory", folder}};
    CopySkin(folder);
    platform = std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, folder),
                                                       std::move(instances));
  }
  rz::test::TempDir dir;
  std::unique_ptr<sim::EmulatedPlatform> platform;
};

TEST(Win32Entry, GoodStartShowsTheWindowAndClosingTearsDown) {
  Machine m;
  bool started = false;
  SIZE size{};
  const int code = RunWin32Gui(m.platform->Seams(), {},
                               [&](app::StartResult r, MainWindow& form, Win32Ui&, app::Program&) {
                                 started = r == app::StartResult::Ready;
                                 RECT rect;
                                 ::GetClientRect(form.Handle(), &rect);
                                 size = {rect.right, rect.bottom};
                                 ::PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
                               });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(started);
  EXPECT_EQ(size.cx, 580);
  EXPECT_EQ(size.cy, 262);
  EXPECT_FALSE(m.platform->Services().ServiceExists());
  EXPECT_FALSE(m.platform->Device().IsOpen());
}

TEST(Win32Entry, SecondInstanceIsToldAndNeverShowsTheWindow) {
  auto instances = std::make_shared<sim::InstanceRegistry>();
  instances->Take("rzflash");
  Machine m(instances);
  Answerer boxes;
  bool started = false;
  const int code = RunWin32Gui(m.platform->Seams(), skin::ProgramCommands(),
                               [&](app::StartResult, MainWindow&, Win32Ui&, app::Program&) {
                                 started = true;
                               });
  boxes.Stop();
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(started);
  EXPECT_EQ(boxes.boxes, (std::vector<std::string>{"Error: Kelvara is running!"}));
  EXPECT_TRUE(m.platform->Services().Calls().empty()) << "the driver is not touched";
  EXPECT_TRUE(instances->Holds("rzflash"));
}

TEST(Win32Entry, AnExceptionIsShownAndTheDriverStillRemoved) {
  for (const bool inDetection : {true, false}) {
    SCOPED_TRACE(inDetection ? "during start-up" : "in a command");
    Machine m;
    skin::WindowCommands commands;
    if (inDetection)
      commands.detect = [](app::Program&) -> bool { throw std::runtime_error("detection broke"); };
    commands.save = [](app::Program&) { throw std::runtime_error("disk gone"); };
    Answerer boxes;
    const int code =
        RunWin32Gui(m.platform->Seams(), commands,
                    [](app::StartResult, MainWindow& form, Win32Ui&, app::Program&) {
                      const skin::Rect r = skin::kMainButtons[3].rect;  // ibBackup
                      const LPARAM at = MAKELPARAM(r.left + 5, r.top + 5);
                      ::PostMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
                      ::PostMessageW(form.Handle(), WM_LBUTTONUP, 0, at);
                    });
    boxes.Stop();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(boxes.boxes, (std::vector<std::string>{std::string("Kelvara Ver2.1 B09.0826: ") +
                                                     (inDetection ? "detection broke"
                                                                  : "disk gone")}));
    EXPECT_FALSE(m.platform->Services().ServiceExists());
  }
}

}  // namespace
}  // namespace rz::win32::test
