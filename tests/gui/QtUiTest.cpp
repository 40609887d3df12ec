// SPDX-License-Identifier: GPL-3.0-or-later
// QtUi: each kind of message and dialog as the user sees it, and the transcript, which must match
// the scripted Ui's for the same answers.
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include "GuiTestSupport.h"
#include "gui/MainForm.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"
#include "support/ScriptedUi.h"

using namespace rz;
using namespace rz::gui;
using namespace rz::gui::test;
using nlohmann::json;

class QtUiTest : public QObject {
  Q_OBJECT

  std::unique_ptr<GuiRun> run_;
  ui::Ui& Ui() { return run_->session->RecordedUi(); }
  TForm1& Form() { return run_->session->Form(); }

 private slots:
  void init() {
    run_ = std::make_unique<GuiRun>(json{{"adapters", json::array()}});
    QCOMPARE(run_->session->Start(), app::StartResult::Ready);
    run_->session->Transcript().Clear();
  }
  void cleanup() { run_.reset(); }

  void messageBoxHasCaptionButtonsIconAndOwner_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("owner");
    QTest::addColumn<bool>("pressYes");
    QTest::newRow("ok, no icon, no owner") << int(ui::Buttons::Ok) << int(ui::Icon::None) << int(ui::Owner::None) << false;
    QTest::newRow("ok, error icon") << int(ui::Buttons::Ok) << int(ui::Icon::Error) << int(ui::Owner::None) << false;
    QTest::newRow("yes/no answered yes") << int(ui::Buttons::YesNo) << int(ui::Icon::None) << int(ui::Owner::None) << true;
    QTest::newRow("yes/no answered no") << int(ui::Buttons::YesNo) << int(ui::Icon::Error) << int(ui::Owner::None) << false;
    QTest::newRow("owned by the main window") << int(ui::Buttons::Ok) << int(ui::Icon::None) << int(ui::Owner::MainWindow) << false;
  }
  void messageBoxHasCaptionButtonsIconAndOwner() {
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(int, owner);
    QFETCH(bool, pressYes);
    const auto b = ui::Buttons(buttons);
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QWidget* seenParent = reinterpret_cast<QWidget*>(1);
    QString seenCaption;
    QList<QAbstractButton*> seenButtons;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      seenIcon = box->icon();
      seenParent = box->parentWidget();
      seenCaption = box->windowTitle();
      seenButtons = box->buttons();
      box->button(b == ui::Buttons::YesNo ? (pressYes ? QMessageBox::Yes : QMessageBox::No)
                                          : QMessageBox::Ok)->click();
    });
    const bool answer = Ui().MessageBox("Caution", "Line 1\nLine 2", b, ui::Icon(icon), ui::Owner(owner));
    QCOMPARE(answer, pressYes);
    QCOMPARE(seenCaption, QStringLiteral("Caution"));
    QCOMPARE(seenButtons.size(), b == ui::Buttons::YesNo ? 2 : 1);
    QCOMPARE(seenIcon, ui::Icon(icon) == ui::Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    QCOMPARE(seenParent, ui::Owner(owner) == ui::Owner::MainWindow ? static_cast<QWidget*>(&Form()) : nullptr);
  }

  void skinnedDialogsAreCreatedPerMessageAndDestroyed() {
    QPointer<QWidget> shown;
    WhenModal([&](QWidget* modal) {
      auto* d = dynamic_cast<TFormMsg*>(modal);
      QVERIFY(d);
      shown = d;
      QCOMPARE(d->LMessage->text(), QStringLiteral("Save VGA BIOS completed!!!"));
      QCOMPARE(d->parentWidget(), static_cast<QWidget*>(&Form()));
      Click(d->btOk);
    });
    Ui().SkinnedMessage("Save VGA BIOS completed!!!");
    QVERIFY(shown.isNull());
    WhenModal([&](QWidget* modal) {
      auto* d = dynamic_cast<TFormYesNo*>(modal);
      QVERIFY(d);
      QCOMPARE(d->LMessage->text(), QStringLiteral("There is a new VBIOS X\n       Do you wish to Update?"));
      Click(d->btYes);
    });
    QVERIFY(Ui().SkinnedQuestion("There is a new VBIOS X\r\n       Do you wish to Update?"));
    WhenModal([&](QWidget* modal) { modal->close(); });
    QVERIFY(!Ui().SkinnedQuestion("You must restart your system to take new changes.\nDo you want to restart now ?"));
  }

  void fileDialogsHaveTheirTitlesFoldersAndResults() {
    const std::string folder = run_->session->Program().programFolder;
    const std::string chosen = folder + "backup.rom";
    QString title, directory, proposed;
    WhenModal([&](QWidget* modal) {
      auto* d = qobject_cast<QFileDialog*>(modal);
      QVERIFY(d);
      title = d->windowTitle();
      directory = d->directory().absolutePath() + "/";
      auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(edit);
      proposed = edit->text();
      edit->setText(QString::fromStdString(chosen));
      static_cast<QDialog*>(d)->accept();
    });
    QCOMPARE(Ui().SaveFileDialog("Select target file to save BIOS", folder, std::string("N98TGE.\0F4", 10)),
             chosen);
    QCOMPARE(title, QStringLiteral("Select target file to save BIOS"));
    QCOMPARE(directory, QString::fromStdString(folder));
    QCOMPARE(proposed, QStringLiteral("N98TGE."));  // the name ends at its zero character

    WhenModal([&](QWidget* modal) {
      title = modal->windowTitle();
      static_cast<QDialog*>(modal)->reject();
    });
    QCOMPARE(Ui().OpenFileDialog("Select source file to update BIOS", folder), std::nullopt);
    QCOMPARE(title, QStringLiteral("Select source file to update BIOS"));
  }

  // The same events with the same answers give the scripted Ui's transcript.
  void transcriptMatchesTheScriptedUi() {
    const std::string folder = run_->session->Program().programFolder;
    ui::ScriptedUi scripted;
    scripted.QueueAnswer(true);   // message box
    scripted.QueueAnswer(false);  // skinned question
    scripted.QueueFile(std::nullopt);
    auto play = [&](ui::Ui& u) {
      u.MessageBox("Caution", "Talvenor VGA BIOS not found! Do you want to continue?", ui::Buttons::YesNo,
                   ui::Icon::None, ui::Owner::None);
      u.MessageBox("", "Error opening cfg file", ui::Buttons::Ok, ui::Icon::None, ui::Owner::None);
      u.ShowMessage("Not support this series!!!");
      u.SkinnedMessage("The screen may go *BLANK* during EEPROM flash");
      u.SkinnedQuestion("There is a new VBIOS \r\n       Do you wish to Update?");
      u.SaveFileDialog("Select target file to save BIOS", folder, "A.F1");
      u.SetLabel(ui::Label::EepromSize, "65536 bytes");
      u.SetStatus(ui::kStatusBusy);
      u.SetCommandButtonsEnabled(false);
      u.ProcessEvents();
    };
    // Answers on screen, in the order the windows come up.
    AnswerModals({
        [](QWidget* m) { qobject_cast<QMessageBox*>(m)->button(QMessageBox::Yes)->click(); },
        [](QWidget* m) { qobject_cast<QMessageBox*>(m)->button(QMessageBox::Ok)->click(); },
        [](QWidget* m) { qobject_cast<QMessageBox*>(m)->button(QMessageBox::Ok)->click(); },
        [](QWidget* m) { Click(dynamic_cast<TFormMsg*>(m)->btOk); },
        [](QWidget* m) { Click(dynamic_cast<TFormYesNo*>(m)->btNo); },
        [](QWidget* m) { static_cast<QDialog*>(m)->reject(); },
    });
    play(Ui());
    play(scripted);
    QCOMPARE(run_->session->Transcript().Lines(), scripted.Lines());
    QCOMPARE(Form().lEEPROMSize->text(), QStringLiteral("65536 bytes"));
    QCOMPARE(Form().lStatus->text(), QString::fromUtf8(ui::kStatusBusy));
    QVERIFY(!Form().ibExit->BtnEnabled());
  }
};

QTEST_MAIN(QtUiTest)
#include "QtUiTest.moc"
