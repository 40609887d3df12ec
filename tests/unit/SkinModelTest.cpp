// SPDX-License-Identifier: GPL-3.0-or-later
// The skinned windows' model that both toolkits render: the button's behaviour (through the
// scripts every renderer runs), the window shape, the gradient shades, the progress bar and the
// wait for the vendor tool beside the window's loop.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "support/ButtonScripts.h"
#include "skin/Labels.h"
#include "skin/PaintingToolLauncher.h"
#include "skin/Progress.h"
#include "skin/Shape.h"

namespace rz::skin {
namespace {

// The state machine alone: the face is that of the last immediate draw.
class ModelDriver final : public test::ButtonDriver {
 public:
  void Do(const test::ButtonStep& step) override {
    using S = test::ButtonStep;
    switch (step.kind) {
      case S::Enter: Take(state_.Entered()); break;
      case S::Leave: Take(state_.Left(true)); break;
      case S::MoveInside: Take(state_.Moved(true, true)); break;
      case S::MoveOutside: Take(state_.Moved(false, true)); break;
      case S::Press: Take(state_.Press(step.button)); break;
      case S::Release: Take(state_.Release(step.button, step.inside)); break;
      case S::Disable: Take(state_.SetEnabled(false)); break;
      case S::Enable: Take(state_.SetEnabled(true)); break;
    }
  }
  Face Shown() override { return shown_; }
  int Clicks() override { return clicks_; }

 private:
  void Take(const ButtonEffect& e) {
    if (e.drawNow != Face::None) shown_ = e.drawNow;
    clicks_ += e.click;
  }
  ButtonState state_;
  Face shown_ = Face::None;
  int clicks_ = 0;
};

TEST(SkinButton, EveryScriptOfTheSharedTable) {
  const auto problems =
      test::RunButtonScripts([] { return std::make_unique<ModelDriver>(); });
  for (const auto& p : problems) ADD_FAILURE() << p;
}

TEST(SkinButton, HidingForgetsHoverAndPressWithoutDrawing) {
  ButtonState b;
  b.Entered();
  b.Press(MouseButton::Left);
  const ButtonEffect e = b.Left(false);
  EXPECT_EQ(e.drawNow, Face::None);
  EXPECT_FALSE(e.left);
  EXPECT_FALSE(b.Hovered());
  EXPECT_FALSE(b.Held());
  EXPECT_EQ(b.PaintFace(), Face::Normal);
}

TEST(SkinShape, CoversExactlyThePixelsThatAreNotTheKey) {
  // A 6 x 4 picture placed one row up in a 7 x 4 window: key pixels in a ring and a hole.
  Picture p{6, 4, std::vector<std::uint32_t>(24, 0x112233)};
  const std::set<std::pair<int, int>> key = {{0, 0}, {5, 0}, {0, 3}, {2, 2}, {3, 2}};
  for (auto [x, y] : key) p.pixels[y * 6 + x] = 0xFF00FF00;  // the top byte is ignored
  const std::vector<Rect> shape = ShapeWithoutKey(7, 4, p, 0, -1, kWindowKey);
  std::set<std::pair<int, int>> covered;
  int lastTop = -1;
  for (const Rect& r : shape) {
    EXPECT_GE(r.top, lastTop) << "sorted top to bottom";
    lastTop = r.top;
    for (int y = r.top; y < r.Bottom(); ++y)
      for (int x = r.left; x < r.Right(); ++x) EXPECT_TRUE(covered.insert({x, y}).second);
  }
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      const bool isKey = x < 6 && y + 1 < 4 && key.count({x, y + 1});
      EXPECT_EQ(covered.count({x, y}) == 1, !isKey) << x << "," << y;
    }
}

TEST(SkinShade, EndsAreExactAndRowsRunEvenly) {
  constexpr Rgb top{0, 100, 255}, bottom{255, 0, 0};
  EXPECT_EQ(Shade(top, bottom, 0, 5), top);
  EXPECT_EQ(Shade(top, bottom, 4, 5), bottom);
  EXPECT_EQ(Shade(top, bottom, 2, 5), (Rgb{128, 50, 127})) << "halves round away from the top colour";
  EXPECT_EQ(Shade(top, bottom, 0, 1), top);
}

TEST(SkinProgress, PercentFillsAndTheUnknownRunsToAndFro) {
  Progress p;
  EXPECT_TRUE(p.Set("Erasing", 150));
  EXPECT_EQ(p.Text(), "Erasing 100%");
  EXPECT_FALSE(p.Set("Erasing", 100)) << "nothing changed";
  EXPECT_EQ(p.Filled(180, 22).width, 178);
  p.Set("Programming", 50);
  EXPECT_EQ(p.Filled(180, 22).width, 89);
  // Without a percentage the block moves right, turns at the end and comes back.
  p.Set("Flashing", std::nullopt);
  EXPECT_TRUE(p.Animating());
  EXPECT_EQ(p.Text(), "Flashing");
  const int inside = 178, travel = inside - Progress::kBlockWidth;
  int left = p.Filled(180, 22).left, furthest = left;
  for (int i = 0; i < 2 * travel / Progress::kStepPixels; ++i) {
    p.Tick();
    const Rect r = p.Filled(180, 22);
    EXPECT_EQ(r.width, Progress::kBlockWidth);
    EXPECT_GE(r.left, 1);
    EXPECT_LE(r.Right(), 1 + inside);
    furthest = std::max(furthest, r.left);
  }
  EXPECT_GT(furthest, 1 + travel - Progress::kStepPixels) << "turns at the right end";
  EXPECT_EQ(p.Filled(180, 22).left, left) << "back where it started";
  p.Stop();
  EXPECT_FALSE(p.Visible());
  EXPECT_FALSE(p.Animating());
}

TEST(SkinLabels, CrLfBreaksBecomeSingleBreaks) {
  EXPECT_EQ(LabelText("a\r\nb\r\n\r\nc\rd\n"), "a\nb\n\nc\rd\n");
  EXPECT_EQ(LayoutOf(LabelFor(ui::Label::BiosVersion)).name, std::string("lBIOSVersion"));
  EXPECT_EQ(LayoutOf(LabelFor(ui::Label::EepromName)).name, std::string("lEEPROMName"));
  EXPECT_EQ(LayoutOf(LabelFor(ui::Label::EepromSize)).name, std::string("lEEPROMSize"));
}

}  // namespace
}  // namespace rz::skin


namespace rz::skin {
namespace {

// A tool that runs until the window's loop has started, then ends (or throws).
class WaitingTool final : public platform::ToolLauncher {
 public:
  explicit WaitingTool(bool fails) : fails_(fails) {}
  platform::LaunchResult RunAndWait(const std::string& path, const std::string&,
                                    const std::string&) override {
    std::unique_lock lock(mutex);
    started.wait(lock, [this] { return loopRunning; });
    ranOn = std::this_thread::get_id();
    if (fails_) throw std::runtime_error("tool gone");
    return {true, path == "tool" ? 7 : -1};
  }
  std::mutex mutex;
  std::condition_variable started;
  bool loopRunning = false;
  std::thread::id ranOn;

 private:
  bool fails_;
};

// A loop that lets the tool go once it runs, and ends when told (also when told first).
class RecordingPump final : public EventPump {
 public:
  explicit RecordingPump(WaitingTool& tool) : tool_(tool) {}
  void Run() override {
    {
      std::lock_guard lock(tool_.mutex);
      tool_.loopRunning = true;
    }
    tool_.started.notify_all();
    std::unique_lock lock(mutex_);
    quit_.wait(lock, [this] { return quitting_; });
  }
  void Quit() override {
    std::lock_guard lock(mutex_);
    quitting_ = true;
    quit_.notify_all();
  }

 private:
  WaitingTool& tool_;
  std::mutex mutex_;
  std::condition_variable quit_;
  bool quitting_ = false;
};

TEST(SkinPaintingWait, TheToolRunsBesideTheLoopAndItsEndOrFailureComesBack) {
  for (const bool fails : {false, true}) {
    WaitingTool tool(fails);
    PaintingToolLauncher launcher(tool, [&] { return std::make_unique<RecordingPump>(tool); });
    if (fails) {
      EXPECT_THROW(launcher.RunAndWait("tool", "-p", "dir"), std::runtime_error);
    } else {
      const platform::LaunchResult r = launcher.RunAndWait("tool", "-p", "dir");
      EXPECT_TRUE(r.started);
      EXPECT_EQ(r.exitCode, 7);
    }
    EXPECT_NE(tool.ranOn, std::this_thread::get_id()) << "not on the window's thread";
  }
}

}  // namespace
}  // namespace rz::skin
