// The program's commands through the windows on the emulated machine: what the user clicks and
// answers, and what the window and the transcript show.
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QtTest>

#include "GuiTestSupport.h"
#include "gui/MainForm.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"

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
};

QTEST_MAIN(CommandFlowTest)
#include "CommandFlowTest.moc"
