// SPDX-License-Identifier: GPL-3.0-or-later
// TForm1 on the emulated machine: the skinned window after a good start, the design state after a
// failed driver bring-up, the image buttons' actions, the busy switch and the background drag.
#include <QCloseEvent>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/ExitCodes.h"
#include "gui/GuiMain.h"
#include "gui/MainForm.h"
#include "gui/QtUi.h"

using namespace rz;
using namespace rz::gui;
using namespace rz::gui::test;
using nlohmann::json;

namespace {

json NvidiaMachine() { return json{{"adapters", json::array({rz::test::Adapter(1, 0, 0x10DE, 0x0191)})}}; }

// Detection stand-in: shows the card's information through the Ui as detection does.
GuiCommands LabelsFromDetection() {
  GuiCommands c;
  c.detect = [](app::Program& p) {
    p.GetUi().SetLabel(ui::Label::BiosVersion, "N98TGE F4");
    p.GetUi().SetLabel(ui::Label::EepromName, "PMC PM25LV010");
    p.GetUi().SetLabel(ui::Label::EepromSize, "65536 bytes");
    return true;
  };
  return c;
}

struct ButtonRow {
  const char* name;
  int left, top, width, height;
  bool ownDisabled;
};
const ButtonRow kButtons[] = {{"ibClose", 505, 30, 29, 27, false},  {"ibMinimize", 476, 30, 29, 27, false},
                              {"ibHelp", 446, 30, 29, 27, false},   {"ibBackup", 361, 85, 183, 25, true},
                              {"ibFlash", 361, 110, 183, 24, true}, {"ibExit", 361, 134, 183, 26, true}};

std::vector<TImageLabel*> SkinButtons(TForm1& f) {
  return {f.ibClose, f.ibMinimize, f.ibHelp, f.ibBackup, f.ibFlash, f.ibExit};
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void goodStartShowsTheSkinnedWindow() {
    GuiRun run(NvidiaMachine(), LabelsFromDetection());
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    QCOMPARE(f.size(), QSize(580, 262));
    QCOMPARE(f.frameGeometry().size(), QSize(580, 262));
    QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f.windowTitle(), QStringLiteral("RZFLASH Ver1.5"));

    QCOMPARE(f.lBIOSVersion->pos(), QPoint(155, 95));
    QCOMPARE(f.lEEPROMSize->pos(), QPoint(155, 126));
    QCOMPARE(f.lStatus->pos(), QPoint(43, 177));
    QCOMPARE(f.lBIOSVersion->text(), QStringLiteral("N98TGE F4"));
    QCOMPARE(f.lStatus->text(), QStringLiteral("Ready"));
    QCOMPARE(f.lStatus->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    // Labels size themselves to their text.
    QCOMPARE(f.lEEPROMSize->width(), f.lEEPROMSize->sizeHint().width());

    // The plain controls of the design lie outside the window now.
    for (QWidget* w : std::initializer_list<QWidget*>{f.btSave, f.btFlash, f.btExit, f.btTest, f.GroupBox1,
                                                     f.Label2, f.lEEPROMName, f.mStatus, f.ProgressBar1})
      QVERIFY2(!f.rect().intersects(w->geometry()), qPrintable(w->objectName()));

    const std::string folder = run.session->Program().programFolder;
    const auto buttons = SkinButtons(f);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      const ButtonRow& row = kButtons[i];
      TImageLabel* b = buttons[i];
      QVERIFY2(b, row.name);
      QCOMPARE(b->geometry(), QRect(row.left, row.top, row.width, row.height));
      QVERIFY(b->BtnEnabled());
      const TImageLabel::Face faces[] = {TImageLabel::Face::Normal, TImageLabel::Face::Hover,
                                         TImageLabel::Face::Pressed, TImageLabel::Face::Disabled};
      for (int state = 1; state <= 4; ++state) {
        const int fileState = state == 4 && !row.ownDisabled ? 1 : state;
        const QString path = QString::fromStdString(folder) +
                             QStringLiteral("Skin/%1_%2_%3.bmp").arg(row.left).arg(row.top).arg(fileState);
        QVERIFY2(!b->Image(faces[state - 1]).isNull(), qPrintable(path));
        QCOMPARE(b->Image(faces[state - 1]), KeyedBitmap(path));
      }
    }

    const auto& lines = run.session->Transcript().Lines();
    QCOMPARE(QString::fromStdString(lines.back()), QStringLiteral("status: Ready"));
    QCOMPARE(QString::fromStdString(lines.front()), QStringLiteral("label lBIOSVersion: N98TGE F4"));
  }

  void maskIsSeeThroughExactlyWhereTheBackgroundIsGreen() {
    GuiRun run(NvidiaMachine());
    QCOMPARE(run.session->Start(), app::StartResult::Ready);
    TForm1& f = run.session->Form();
    const QImage bk = MainBackgroundPicture();
    QCOMPARE(bk.size(), QSize(580, 262));
    const QRegion mask = f.mask();
    int green = 0;
    for (int y = 0; y < bk.height(); ++y)
      for (int x = 0; x < bk.width(); ++x) {
        const bool isKey = (bk.pixel(x, y) & 0xFFFFFF) == 0x00FF00;
        green += isKey;
        if (mask.contains(QPoint(x, y)) == isKey)
          QFAIL(qPrintable(QStringLiteral("mask wrong at %1,%2").arg(x).arg(y)));
      }
    QVERIFY(green > 0);
    // The body spans columns 24 to 558 and rows 20 to 238; everything outside it is key colour.
    QVERIFY((bk.pixel(23, 130) & 0xFFFFFF) == 0x00FF00 && (bk.pixel(24, 130) & 0xFFFFFF) != 0x00FF00);
    QVERIFY((bk.pixel(559, 130) & 0xFFFFFF) == 0x00FF00 && (bk.pixel(558, 130) & 0xFFFFFF) != 0x00FF00);
    QVERIFY((bk.pixel(290, 19) & 0xFFFFFF) == 0x00FF00 && (bk.pixel(290, 20) & 0xFFFFFF) != 0x00FF00);
    QVERIFY((bk.pixel(290, 239) & 0xFFFFFF) == 0x00FF00 && (bk.pixel(290, 238) & 0xFFFFFF) != 0x00FF00);
    QVERIFY((bk.pixel(40, 20) & 0xFFFFFF) == 0x00FF00);  // the top edge is curved
  }

  void failedBringUpKeepsTheDesignState() {
    GuiRun run(json{{"driver", "missing"}});
    QString caption, text;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      caption = box->windowTitle();
      text = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(run.session->Start(), app::StartResult::DriverFailed);
    QCOMPARE(caption, QStringLiteral("Kelvara Ver2.1 B09.0826"));
    QCOMPARE(text, QStringLiteral("Initialize DODozori Fail!!!"));
    TForm1& f = run.session->Form();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.size(), QSize(593, 503));
    QVERIFY(f.findChildren<TImageLabel*>(Qt::FindDirectChildrenOnly).isEmpty());
    for (TImageLabel* b : SkinButtons(f)) QVERIFY(!b);
    QCOMPARE(f.lStatus->text(), QStringLiteral("Status"));
    QCOMPARE(f.lBIOSVersion->text(), QStringLiteral("Unknow"));
    QCOMPARE(f.lEEPROMSize->text(), QStringLiteral("lEEPROMSize"));
    QCOMPARE(f.lEEPROMName->text(), QStringLiteral("lEEPROMName"));
    QCOMPARE(f.Label2->text(), QStringLiteral("Flash EEPROM:"));
    QCOMPARE(f.GroupBox1->title(), QStringLiteral("Current VGA Card Information"));
    QCOMPARE(f.btSave->text(), QStringLiteral("Backup VGA BIOS"));
    QCOMPARE(f.btSave->geometry(), QRect(298, 288, 105, 29));
    QCOMPARE(f.mStatus->toPlainText(), QStringLiteral("Status..."));
    for (QWidget* w : std::initializer_list<QWidget*>{f.btSave, f.btFlash, f.btExit, f.btTest}) {
      QVERIFY(w->isEnabled());
      QVERIFY(f.rect().contains(w->geometry()));
    }
    // Tab order of the design: btTest, btSave, btFlash, btExit among the focusable controls.
    QWidget* w = f.btTest;
    QList<QWidget*> order;
    for (int i = 0; i < 40 && order.size() < 4; ++i, w = w->nextInFocusChain())
      if (w->focusPolicy() & Qt::TabFocus && qobject_cast<QPushButton*>(w) && !order.contains(w)) order << w;
    QCOMPARE(order, QList<QWidget*>({f.btTest, f.btSave, f.btFlash, f.btExit}));
    const auto& lines = run.session->Transcript().Lines();
    QCOMPARE(lines, std::vector<std::string>({"dialog: Initialize DODozori Fail!!!"}));
  }

  void imageButtonsRunTheirActions() {
    int saves = 0, flashes = 0;
    GuiCommands commands;
    commands.save = [&](app::Program&) { ++saves; };
    commands.flash = [&](app::Program&) { ++flashes; };
    GuiRun run(NvidiaMachine(), commands);
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    Click(f.ibBackup);
    Click(f.ibFlash);
    Click(f.ibFlash, Qt::RightButton);
    QCOMPARE(saves, 1);
    QCOMPARE(flashes, 2);
    Click(f.ibHelp);
    const std::string help = run.session->Program().programFolder + "HELP.CHM";
    QCOMPARE(run.platform->Shell().opened, std::vector<std::string>({help}));
    QCOMPARE(run.session->Transcript().Lines().back(), "help \"" + help + "\"");
    Click(f.ibMinimize);
    QVERIFY(f.windowState() & Qt::WindowMinimized);
    f.showNormal();
    Click(f.ibExit);
    QVERIFY(!f.isVisible());
    f.show();
    Click(f.ibClose);
    QVERIFY(!f.isVisible());
  }

  void busySwitchDisablesCommandButtonsAndImageButtons() {
    int saves = 0;
    GuiCommands commands;
    commands.save = [&](app::Program&) { ++saves; };
    GuiRun run(NvidiaMachine(), commands);
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    run.session->Ui().SetCommandButtonsEnabled(false);
    QVERIFY(!f.btSave->isEnabled() && !f.btFlash->isEnabled() && !f.btExit->isEnabled());
    QVERIFY(f.btTest->isEnabled());
    for (TImageLabel* b : SkinButtons(f)) {
      QVERIFY(!b->BtnEnabled());
      QCOMPARE(b->LastDrawn(), TImageLabel::Face::Disabled);
    }
    Click(f.ibClose);
    Click(f.ibBackup);
    QVERIFY(f.isVisible());
    QCOMPARE(saves, 0);
    run.session->Ui().SetCommandButtonsEnabled(true);
    QVERIFY(f.btSave->isEnabled());
    Click(f.ibBackup);
    QCOMPARE(saves, 1);
  }

  // While a command runs (the busy switch is off) the window refuses every close: the window
  // manager's or Alt-F4's close event, the close skin button; once it is done a close is accepted.
  void closeIsRefusedWhileACommandRuns() {
    GuiRun* current = nullptr;
    bool closedDuringCommand = true;
    bool eventAccepted = true;
    GuiCommands commands;
    commands.flash = [&](app::Program& p) {
      p.GetUi().SetCommandButtonsEnabled(false);
      TForm1& f = current->session->Form();
      QVERIFY(f.CommandRunning());
      QCloseEvent event;
      QApplication::sendEvent(&f, &event);
      eventAccepted = event.isAccepted();
      closedDuringCommand = f.close() || !f.isVisible();
      Click(f.ibClose);
      closedDuringCommand = closedDuringCommand || !f.isVisible();
      p.GetUi().SetCommandButtonsEnabled(true);
    };
    GuiRun run(NvidiaMachine(), commands);
    current = &run;
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    QVERIFY(!f.CommandRunning());
    Click(f.ibFlash);
    QVERIFY(!eventAccepted);
    QVERIFY(!closedDuringCommand);
    QVERIFY(f.isVisible());
    QVERIFY(!f.CommandRunning());
    QCloseEvent idle;
    idle.ignore();
    QApplication::sendEvent(&f, &idle);
    QVERIFY(idle.isAccepted());
    QVERIFY(f.close());
    QVERIFY(!f.isVisible());
  }

  // A request to stop held during a command ends the program with status 130 once it is done.
  void heldInterruptEndsTheProgramAfterTheCommand() {
    GuiRun* current = nullptr;
    GuiCommands commands;
    commands.flash = [&](app::Program&) {
      sim::EmulatedInterruptHold& hold = current->platform->Interrupts();
      hold.Begin();
      hold.Deliver(platform::InterruptKind::Interrupt);
      hold.End();
    };
    GuiRun run(NvidiaMachine(), commands);
    current = &run;
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    QTimer::singleShot(0, &f, [&f] { f.btFlashClick(); });
    QCOMPARE(QApplication::exec(), app::kExitInterrupted);
  }

  void onlyLeftPressOnTheBackgroundMovesTheWindow() {
    GuiRun run(NvidiaMachine());
    QCOMPARE(run.session->Start(), app::StartResult::Ready);
    TForm1& f = run.session->Form();
    int moves = 0;
    f.systemMove = [&](QWidget& w) {
      QCOMPARE(&w, static_cast<QWidget*>(&f));
      ++moves;
    };
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    Press(f.ImageBk, Qt::RightButton, {300, 220});
    Press(f.ImageBk, Qt::MiddleButton, {300, 220});
    QCOMPARE(moves, 0);
    Press(f.lBIOSVersion, Qt::LeftButton, {2, 2});
    Press(f.ibBackup, Qt::LeftButton, {2, 2});
    QCOMPARE(moves, 0);
    Press(f.ImageBk, Qt::LeftButton, {300, 220});
    QCOMPARE(moves, 1);
  }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
