// SPDX-License-Identifier: GPL-3.0-or-later
// The native main window on the emulated machine: the skinned window after a good start, the
// design state after a failed driver bring-up, closing refused while a command runs, the skinned
// dialogs' keys, the background drag and the help button.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Win32TestSupport.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"
#include "host/windows/Utf16.h"
#include "win32/Win32EventPump.h"

namespace rz::win32::test {

using platform::win::Narrow;
using platform::win::Widen;
namespace {

using nlohmann::json;

json NvidiaMachine() {
  return json{{"adapters", json::array({rz::test::Adapter(1, 0, 0x10DE, 0x0191)})}};
}

// Detection stand-in: shows the card's information through the Ui as detection does.
skin::WindowCommands LabelsFromDetection() {
  skin::WindowCommands c;
  c.detect = [](app::Program& p) {
    p.GetUi().SetLabel(ui::Label::BiosVersion, "N98TGE F4");
    p.GetUi().SetLabel(ui::Label::EepromName, "PMC PM25LV010");
    p.GetUi().SetLabel(ui::Label::EepromSize, "65536\r\nbytes");
    return true;
  };
  return c;
}

SIZE ClientSize(HWND w) {
  RECT r;
  ::GetClientRect(w, &r);
  return {r.right, r.bottom};
}

TEST(Win32Window, GoodStartShowsTheSkinnedWindow) {
  Win32Run run(NvidiaMachine(), LabelsFromDetection());
  ASSERT_TRUE(run.StartShown());
  MainWindow& f = run.session->Form();
  EXPECT_EQ(ClientSize(f.Handle()).cx, 580);
  EXPECT_EQ(ClientSize(f.Handle()).cy, 262);
  EXPECT_EQ(::GetWindowLongW(f.Handle(), GWL_STYLE) & WS_CAPTION, 0) << "borderless";
  EXPECT_NE(::GetWindowLongW(f.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0) << "on the taskbar";
  EXPECT_NE(::GetClassLongPtrW(f.Handle(), GCLP_HICON), 0u) << "with the program's icon";
  wchar_t title[64] = {};
  ::GetWindowTextW(f.Handle(), title, 64);
  EXPECT_STREQ(title, L"RZFLASH Ver1.5");
  EXPECT_EQ(f.LabelText(skin::MainLabel::BiosVersion), "N98TGE F4");
  EXPECT_EQ(f.LabelText(skin::MainLabel::EepromSize), "65536\nbytes");
  EXPECT_EQ(f.LabelText(skin::MainLabel::Status), "Ready");
  ASSERT_EQ(f.Buttons().All().size(), 6u);
  for (const ImageButton& b : f.Buttons().All()) {
    EXPECT_TRUE(b.state.Enabled()) << b.layout.name;
    for (int face = 1; face <= 4; ++face) EXPECT_TRUE(b.faces[face]) << b.layout.name << face;
  }
  // The shape leaves out the background's green: the corners, not the middle.
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(f.Handle(), region), ERROR);
  EXPECT_FALSE(::PtInRegion(region, 2, 2));
  EXPECT_FALSE(::PtInRegion(region, 23, 130));
  EXPECT_TRUE(::PtInRegion(region, 24, 130));
  EXPECT_TRUE(::PtInRegion(region, 290, 130));
  ::DeleteObject(region);
  const auto& lines = run.session->Transcript().Lines();
  EXPECT_EQ(lines.front(), "label lBIOSVersion: N98TGE F4");
  EXPECT_EQ(lines.back(), "status: Ready");
}

TEST(Win32Window, FailedBringUpKeepsTheDesignState) {
  Win32Run run(json{{"driver", "missing"}});
  Answerer answerer(*run.session, "", {});
  EXPECT_EQ(run.session->Start(), app::StartResult::DriverFailed);
  answerer.Stop();
  EXPECT_EQ(answerer.boxes,
            (std::vector<std::string>{"Kelvara Ver2.1 B09.0826: Initialize DODozori Fail!!!"}));
  MainWindow& f = run.session->Form();
  f.Show();
  EXPECT_EQ(ClientSize(f.Handle()).cx, 593);
  EXPECT_EQ(ClientSize(f.Handle()).cy, 503);
  EXPECT_TRUE(f.Buttons().All().empty());
  EXPECT_EQ(f.LabelText(skin::MainLabel::Status), "Status");
  EXPECT_EQ(f.LabelText(skin::MainLabel::BiosVersion), "Unknow");
  for (const char* name : {"btSave", "btFlash", "btExit", "btTest"})
    EXPECT_TRUE(f.PlainControlEnabled(name)) << name;
}

TEST(Win32Window, ClosingIsRefusedWhileACommandRuns) {
  Win32Run run(std::string("nvidia-spi"), skin::ProgramCommands());
  ASSERT_TRUE(run.StartShown());
  MainWindow& f = run.session->Form();
  int closed = 0;
  f.onClosed = [&] { ++closed; };
  LRESULT sessionEnd = TRUE;
  Answerer answerer(*run.session, run.dir.Path().string() + "\\saved.rom", {});
  answerer.beforeAnswer = [&](SkinDialog&) {
    ::SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    ::SendMessageW(f.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt-F4
    sessionEnd = ::SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, 0);
  };
  ClickButton(f, skin::Action::Save);
  answerer.Stop();
  EXPECT_EQ(answerer.skinned.size(), 2u);
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(sessionEnd, FALSE);
  EXPECT_TRUE(::IsWindowVisible(f.Handle()));
  // Once the command is done the window closes as asked.
  EXPECT_EQ(::SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  ClickButton(f, skin::Action::Close);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(::IsWindowVisible(f.Handle()));
}

TEST(Win32Window, SkinnedDialogKeys) {
  Win32Run run(std::string("nvidia-spi"), skin::ProgramCommands());
  ASSERT_TRUE(run.StartShown());
  struct Case {
    std::vector<WPARAM> keys;
    bool clickYes;
    bool answer;
  };
  // Enter does nothing (no button has the focus); Escape closes with no.
  for (const Case& c : {Case{{VK_ESCAPE}, false, false}, Case{{VK_RETURN}, true, true},
                        Case{{VK_RETURN, VK_ESCAPE}, false, false}}) {
    SkinDialog d(run.session->Form().Handle(), skin::kQuestionDialog,
                 run.session->Program().programFolder);
    d.onShown = [&](SkinDialog& shown) {
      for (WPARAM key : c.keys) ::PostMessageW(shown.Handle(), WM_KEYDOWN, key, 0);
      if (c.clickYes) {
        const skin::Rect r = shown.Buttons().Find(skin::Action::Yes)->layout.rect;
        const LPARAM at = MAKELPARAM(r.left + 5, r.top + 5);
        ::PostMessageW(shown.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(shown.Handle(), WM_LBUTTONUP, 0, at);
      }
    };
    EXPECT_EQ(d.Exec(), c.answer);
    EXPECT_TRUE(::IsWindowEnabled(run.session->Form().Handle())) << "the owner is back";
  }
}

TEST(Win32Window, BackgroundDragMovesAndHelpOpensTheHelpFile) {
  Win32Run run(std::string("nvidia-spi"), skin::ProgramCommands());
  ASSERT_TRUE(run.StartShown());
  MainWindow& f = run.session->Form();
  int moves = 0;
  f.systemMove = [&](HWND) { ++moves; };
  ::SendMessageW(f.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 60));
  ::SendMessageW(f.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(100, 60));
  EXPECT_EQ(moves, 0) << "only the left button drags";
  ::SendMessageW(f.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 60));
  ::SendMessageW(f.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 60));
  EXPECT_EQ(moves, 1);
  ClickButton(f, skin::Action::Help);
  const auto& lines = run.session->Transcript().Lines();
  EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.find("HELP.CHM") != l.npos; }),
            lines.end());
}

}  // namespace
}  // namespace rz::win32::test

namespace rz::win32::test {
namespace {

// A name outside any one code page, chosen in the save and open dialogs: the file is written and
// read under its real name, and the transcript shows the name as UTF-8.
TEST(Win32Window, FileNamesInAnyLanguageThroughTheDialogs) {
  Win32Run run(std::string("nvidia-spi"), skin::ProgramCommands());
  ASSERT_TRUE(run.StartShown());
  for (const char* name : {"\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE\xD0\xBA\xD0\xB0\xD1\x80"
                           "\xD1\x82\xD0\xB0.rom",                      // Видеокарта.rom
                           "\xE6\x98\xBE\xE5\x8D\xA1\xE5\xA4\x87\xE4\xBB\xBD.rom",  // 显卡备份.rom
                           "caf\xC3\xA9.rom"}) {                         // café.rom
    SCOPED_TRACE(name);
    const std::string path = run.dir.Path().string() + "\\" + name;
    {
      Answerer answerer(*run.session, path, {});
      ClickButton(run.session->Form(), skin::Action::Save);
      answerer.Stop();
      ASSERT_EQ(answerer.skinned.size(), 2u);
      EXPECT_EQ(answerer.skinned.back(), "Save VGA BIOS completed!!!");
    }
    const std::filesystem::path wide(Widen(path));
    ASSERT_TRUE(std::filesystem::exists(wide));
    EXPECT_EQ(std::filesystem::file_size(wide), 65536u);
    const auto& lines = run.session->Transcript().Lines();
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(name) != l.npos; }),
              lines.end());
    // The saved file chosen in the open dialog is read: the card's own version, so it is refused
    // as the same BIOS (which only a read of that file can tell).
    Answerer again(*run.session, path, {false});
    ClickButton(run.session->Form(), skin::Action::Flash);
    again.Stop();
    EXPECT_TRUE(again.boxes.empty());
    EXPECT_EQ(again.skinned, (std::vector<std::string>{"The BIOS Version is the same!!!"}));
  }
}

}  // namespace
}  // namespace rz::win32::test

namespace rz::win32::test {
namespace {

// A vendor tool that takes a while and says nothing of its progress.
class SlowTool final : public platform::ToolLauncher {
 public:
  platform::LaunchResult RunAndWait(const std::string&, const std::string&,
                                    const std::string&) override {
    ::Sleep(600);
    return {true, 0};
  }
};

// While the tool runs the window's loop goes on: the running block of the progress bar moves.
TEST(Win32Window, KeepsPaintingWhileTheVendorToolRuns) {
  Win32Run run(std::string("nvidia-spi"), skin::ProgramCommands());
  ASSERT_TRUE(run.StartShown());
  MainWindow& f = run.session->Form();
  f.SetCommandButtonsEnabled(false);
  f.ShowProgress("Flashing", std::nullopt);
  const skin::Rect bar = skin::kStatusProgress;
  const int before = f.Progress().Filled(bar.width, bar.height).left;
  SlowTool tool;
  skin::PaintingToolLauncher launcher(tool, [] { return std::make_unique<Win32EventPump>(); });
  EXPECT_TRUE(launcher.RunAndWait("tool.exe", "", "").started);
  EXPECT_GT(f.Progress().Filled(bar.width, bar.height).left, before + skin::Progress::kStepPixels);
  f.SetCommandButtonsEnabled(true);
  EXPECT_FALSE(f.Progress().Visible());
}

}  // namespace
}  // namespace rz::win32::test
