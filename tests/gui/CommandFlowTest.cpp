// SPDX-License-Identifier: GPL-3.0-or-later
// The program's commands through the windows on the emulated machine: what the user clicks and
// answers, and what the window and the transcript show.
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QtTest>

#include "GuiTestSupport.h"
#include "base/BuildConfig.h"
#include "commands/Restart.h"
#include "gui/MainForm.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"

using namespace rz;
using namespace rz::gui;
using namespace rz::gui::test;

namespace {

std::function<void(QWidget*)> ChooseFile(const std::string& path) {
  return [path](QWidget* modal) {
    auto* d = qobject_cast<QFileDialog*>(modal);
    QVERIFY(d);
    d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(path));
    static_cast<QDialog*>(d)->accept();
  };
}

std::function<void(QWidget*)> PressOk(QStringList& seen) {
  return [&seen](QWidget* modal) {
    auto* d = dynamic_cast<TFormMsg*>(modal);
    QVERIFY(d);
    seen << d->LMessage->text();
    // Busy while the dialog is up: the image buttons are disabled.
    QVERIFY(!static_cast<TForm1*>(d->parentWidget())->ibExit->BtnEnabled());
    Click(d->btOk);
  };
}

// Answers `count` windows: the file dialog gets `path`, messages OK, questions Yes but the
// restart's, which is No; each window's text is noted in `seen`.
void AnswerAndNote(const std::string& path, int count, QStringList& seen) {
  QList<std::function<void(QWidget*)>> actions;
  for (int i = 0; i < count; ++i)
    actions << [path, &seen](QWidget* m) {
      if (qobject_cast<QFileDialog*>(m)) {
        seen << QStringLiteral("open-dialog");
        ChooseFile(path)(m);
      } else if (auto* msg = dynamic_cast<TFormMsg*>(m)) {
        seen << msg->LMessage->text();
        Click(msg->btOk);
      } else if (auto* q = dynamic_cast<TFormYesNo*>(m)) {
        seen << q->LMessage->text();
        Click(q->LMessage->text().startsWith(QStringLiteral("You must restart")) ? q->btNo
                                                                                 : q->btYes);
      } else {
        seen << m->windowTitle();
        m->close();
      }
    };
  AnswerModals(actions);
}

}  // namespace

class CommandFlowTest : public QObject {
  Q_OBJECT

 private slots:
  void backupThroughTheImageButton() {
    GuiRun run(std::string("nvidia-spi"), ProgramCommands());
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    const std::string target = run.dir.File("backup.rom");
    QStringList seen;
    AnswerModals({ChooseFile(target), PressOk(seen), PressOk(seen)});
    auto& transcript = run.session->Transcript();
    transcript.Clear();
    Click(f.ibBackup);
    QCOMPARE(seen, QStringList({"The screen may go *BLANK* during EEPROM flash",
                                "Save VGA BIOS completed!!!"}));
    QVERIFY(QFileInfo(QString::fromStdString(target)).size() > 0);
    QCOMPARE(f.lStatus->text(), QStringLiteral("Ready"));
    QVERIFY(f.ibExit->BtnEnabled() && f.btSave->isEnabled());
    const auto& lines = transcript.Lines();
    QCOMPARE(lines.front().rfind("save-dialog ", 0), 0u);
    QCOMPARE(lines.back(), std::string("status: Ready"));
  }

  void cancelledBackupOnlyResetsTheStatus() {
    GuiRun run(std::string("nvidia-spi"), ProgramCommands());
    QCOMPARE(run.session->Start(), app::StartResult::Ready);
    TForm1& f = run.session->Form();
    AnswerModals({[](QWidget* m) { static_cast<QDialog*>(m)->reject(); }});
    run.session->Transcript().Clear();
    f.btSaveClick();
    const auto& lines = run.session->Transcript().Lines();
    QCOMPARE(lines.size(), 2u);
    QCOMPARE(lines.back(), std::string("status: Ready"));
  }

  void flashOfferDeclinedThenOpenDialogCancelled() {
    GuiRun run(std::string("nvidia-modeltext"), ProgramCommands());  // stock BIOS offered
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    QString question, openTitle;
    AnswerModals({[&](QWidget* m) {
                    auto* d = dynamic_cast<TFormYesNo*>(m);
                    QVERIFY(d);
                    question = d->LMessage->text();
                    Click(d->btNo);
                  },
                  [&](QWidget* m) {
                    openTitle = m->windowTitle();
                    static_cast<QDialog*>(m)->reject();
                  }});
    run.session->Transcript().Clear();
    Click(f.ibFlash);
    QVERIFY(question.startsWith(QStringLiteral("There is a new VBIOS ")));
    QVERIFY(question.endsWith(QStringLiteral("\n       Do you wish to Update?")));
    QCOMPARE(openTitle, QStringLiteral("Select source file to update BIOS"));
    const auto& lines = run.session->Transcript().Lines();
    QCOMPARE(lines.size(), 2u);
    QCOMPARE(lines[0].rfind("yesno -> no: There is a new VBIOS ", 0), 0u);
    QCOMPARE(lines[1].rfind("open-dialog ", 0), 0u);
    QVERIFY(f.ibFlash->BtnEnabled());
  }

  // With two cards the window still works on adapter 0 and names it on the status strip when a
  // flash is asked for, before the file is chosen; with one card the status is left alone (the
  // flows above).
  void flashWithTwoCardsNamesAdapterZeroFirst() {
    rz::test::TempDir images;
    nlohmann::json adapters = nlohmann::json::array();
    for (const std::uint8_t bus : {1, 2}) {
      testimage::ImageRecipe image;
      image.subsystemId = static_cast<std::uint16_t>(0x34C6 + bus);
      image.block = testimage::RzBlockRecipe{};
      const std::string file = images.File("card" + std::to_string(bus) + ".rom");
      testimage::WriteFile(file, testimage::BuildImage(image));
      nlohmann::json a = rz::test::Adapter(bus, 0, 0x10DE, 0x0191);
      a["subsystem_id"] = image.subsystemId;
      a["eeprom"] = {{"chip", "PMC PM25LV010"}, {"image", file}};
      adapters.push_back(a);
    }
    GuiRun run(nlohmann::json{{"adapters", adapters}}, ProgramCommands());
    run.dir.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n");
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    QString status;
    int statusRight = 0;
    AnswerModals({[&](QWidget* m) {
      QVERIFY(qobject_cast<QFileDialog*>(m));  // the first thing the flash asks
      status = f.lStatus->text();
      statusRight = f.lStatus->geometry().right();
      static_cast<QDialog*>(m)->reject();
    }});
    Click(f.ibFlash);
    const QString expected =
        QString::asprintf("Card 01:00  ids 0x10DE 0x0191  subsystem 0x%04X 0x34C7",
                          unsigned{kMakerSubsystemVendorId});
    QCOMPARE(status, expected);
    // The text ends before the part of the strip where a command's progress is drawn.
    QVERIFY2(statusRight < skin::kStatusProgress.left, qPrintable(QString::number(statusRight)));
    QVERIFY(f.ibFlash->BtnEnabled());
  }
  // A card whose BIOS was lost shows zero subsystem ids and is passed by the scan: the window
  // offers to flash a file onto it at start-up, names the card, flashes the file as a flash would
  // and ends ready with the card's new identity.
  void blankCardIsOfferedRecoveryAtStart() {
    nlohmann::json blank = rz::test::Adapter(1, 0, 0x10DE, 0x0191);
    blank["subsystem_vendor_id"] = 0;
    blank["subsystem_id"] = 0;
    blank["eeprom"] = {{"chip", "PMC PM25LV010"}};
    GuiRun run(nlohmann::json{{"adapters", nlohmann::json::array({blank})}}, ProgramCommands());
    run.dir.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n");
    testimage::ImageRecipe image;
    image.deviceId = 0x0191;
    image.subsystemId = 0x34C7;
    image.block = testimage::RzBlockRecipe{};
    const auto bytes = testimage::BuildImage(image);
    const std::string file = run.dir.File("good.rom");
    QVERIFY(testimage::WriteFile(file, bytes));
    QStringList seen;
    AnswerAndNote(file, 5, seen);
    QVERIFY(run.StartShown());
    const QString card = QStringLiteral("01:00  ids 0x10DE 0x0191  subsystem 0x0000 0x0000");
    QCOMPARE(seen,
             QStringList({QStringLiteral("A graphics card that needs recovery was found: ") + card +
                              QStringLiteral(". Do you want to flash a BIOS file onto it?"),
                          QStringLiteral("open-dialog"),
                          QStringLiteral("Flash good.rom (BIOS version PX4R7 F4) onto the "
                                         "card that needs recovery, ") +
                              card + QStringLiteral("?"),
                          // with the safety backup of what the chip held before
                          QStringLiteral("Flash BIOS completed!!!\nOld BIOS kept as "
                                         "RECOVERY-20260101-000000.rom"),
                          QString::fromUtf8(commands::kRestartQuestion)}));
    const auto chip =
        dynamic_cast<sim::NvidiaCard&>(*run.platform->AdapterDevice(0)).Chip()->Contents();
    QVERIFY(std::equal(bytes.begin(), bytes.end(), chip.begin()));
    TForm1& f = run.session->Form();
    QCOMPARE(f.lStatus->text(), QStringLiteral("Ready"));
  }
};

QTEST_MAIN(CommandFlowTest)
#include "CommandFlowTest.moc"
