// SPDX-License-Identifier: GPL-3.0-or-later
// The program entry: start-up outcomes, window shown or not, teardown at the end, and exceptions
// shown in a message box with exit code 0.
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "GuiTestSupport.h"
#include "gui/MainForm.h"

using namespace rz;
using namespace rz::gui;
using namespace rz::gui::test;
using nlohmann::json;

namespace {

struct Machine {
  explicit Machine(json scenario, std::shared_ptr<sim::InstanceRegistry> instances = nullptr) {
    const std::string folder = dir.Path().string();
    scenario["program_folder"] = folder;
    scenario["working_directory"] = folder;
    CopySkin(folder);
    platform = std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, folder),
                                                       std::move(instances));
  }
  rz::test::TempDir dir;
  std::unique_ptr<sim::EmulatedPlatform> platform;
};

json Nvidia() { return json{{"adapters", json::array({rz::test::Adapter(1, 0, 0x10DE, 0x0191)})}}; }

// Records the caption and text of the next message box and presses its first button.
void AnswerBox(QString& caption, QString& text) {
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    QVERIFY(box);
    caption = box->windowTitle();
    text = box->text();
    box->buttons().value(0)->click();
  });
}

}  // namespace

class GuiEntryTest : public QObject {
  Q_OBJECT

  GuiApplication& App() { return *static_cast<GuiApplication*>(qApp); }

 private slots:
  void goodStartShowsTheWindowAndClosingTearsDown() {
    Machine m(Nvidia());
    bool shown = false;
    QSize size;
    const int code = RunGui(App(), m.platform->Seams(), {},
                            [&](app::StartResult r, TForm1& form, QtUi&, app::Program&) {
                              QCOMPARE(r, app::StartResult::Ready);
                              QTimer::singleShot(0, &form, [&] {
                                shown = form.isVisible();
                                size = form.size();
                                form.ibExit->AfterMouseUp(form.ibExit);
                              });
                            });
    QCOMPARE(code, 0);
    QVERIFY(shown);
    QCOMPARE(size, QSize(580, 262));
    QVERIFY(!m.platform->Services().ServiceExists());
    QVERIFY(!m.platform->Device().IsOpen());
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Kelvara Ver2.1 B09.0826"));
  }

  void refusedOrEndedStartNeverShowsTheWindow_data() {
    QTest::addColumn<bool>("secondInstance");
    QTest::newRow("second instance") << true;
    QTest::newRow("ended by detection") << false;
  }
  void refusedOrEndedStartNeverShowsTheWindow() {
    QFETCH(bool, secondInstance);
    auto instances = std::make_shared<sim::InstanceRegistry>();
    if (secondInstance) instances->Take("rzflash");
    Machine m(Nvidia(), instances);
    GuiCommands commands;
    commands.detect = [](app::Program&) { return false; };
    QString caption, text;
    if (secondInstance) AnswerBox(caption, text);
    bool started = false;
    const int code = RunGui(App(), m.platform->Seams(), commands,
                            [&](app::StartResult, TForm1&, QtUi&, app::Program&) { started = true; });
    QCOMPARE(code, 0);
    QVERIFY(!started);
    if (secondInstance) {
      QCOMPARE(caption, QStringLiteral("Error"));
      QCOMPARE(text, QStringLiteral("Kelvara is running!"));
      QVERIFY(m.platform->Services().Calls().empty());  // the driver is not touched
      QVERIFY(instances->Holds("rzflash"));             // the other instance keeps its lock
    } else {
      QVERIFY(!m.platform->Services().ServiceExists());
    }
  }

  // A driver that cannot be opened: its message, then the host's account of why (when it has one),
  // and the transcript has both.
  void driverFailureIsFollowedByItsReason_data() {
    QTest::addColumn<QString>("why");
    QTest::newRow("with a reason") << QStringLiteral("No polkit agent answered.");
    QTest::newRow("without one") << QString();
  }
  void driverFailureIsFollowedByItsReason() {
    QFETCH(QString, why);
    json scenario = Nvidia();
    scenario["driver"] = "missing";
    Machine m(scenario);
    GuiCommands commands = ProgramCommands();
    commands.accessProblem = [why] { return why.toStdString(); };
    QStringList texts;
    const std::function<void(QWidget*)> answer = [&texts](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      texts << box->text();
      box->buttons().value(0)->click();
    };
    AnswerModals(why.isEmpty() ? QList<std::function<void(QWidget*)>>{answer}
                               : QList<std::function<void(QWidget*)>>{answer, answer});
    GuiSession session(m.platform->Seams(), commands);
    QCOMPARE(session.Start(), app::StartResult::DriverFailed);
    QStringList expected{QStringLiteral("Initialize DODozori Fail!!!")};
    if (!why.isEmpty()) expected << why;
    QCOMPARE(texts, expected);
    const auto& lines = session.Transcript().Lines();
    QCOMPARE(static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                            [](const std::string& l) {
                                              return l.rfind("dialog: ", 0) == 0;
                                            })),
             static_cast<int>(expected.size()));
  }

  void exceptionIsShownAndTheDriverStillRemoved_data() {
    QTest::addColumn<bool>("inDetection");
    QTest::newRow("during start-up") << true;
    QTest::newRow("in a command handler") << false;
  }
  void exceptionIsShownAndTheDriverStillRemoved() {
    QFETCH(bool, inDetection);
    Machine m(Nvidia());
    GuiCommands commands;
    if (inDetection)
      commands.detect = [](app::Program&) -> bool { throw std::runtime_error("detection broke"); };
    commands.save = [](app::Program&) { throw std::runtime_error("disk gone"); };
    QString caption, text;
    AnswerBox(caption, text);
    const int code = RunGui(App(), m.platform->Seams(), commands,
                            [&](app::StartResult, TForm1& form, QtUi&, app::Program&) {
                              QTimer::singleShot(0, &form, [&form] { Click(form.ibBackup); });
                            });
    QCOMPARE(code, 0);
    QCOMPARE(caption, QStringLiteral("Kelvara Ver2.1 B09.0826"));
    QCOMPARE(text, inDetection ? QStringLiteral("detection broke") : QStringLiteral("disk gone"));
    QVERIFY(!m.platform->Services().ServiceExists());
  }
};

int main(int argc, char** argv) {
  GuiApplication app(argc, argv);
  GuiEntryTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "GuiEntryTest.moc"
