// SPDX-License-Identifier: GPL-3.0-or-later
// The commands through the windows against the terminal front end on the same emulated machine:
// the user clicks ibBackup or ibFlash and answers every window as rzflash-cli is told to answer,
// and the windows' transcript must equal rzflash-cli's line for line (start-up included).
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "CliRunner.h"
#include "GuiTestSupport.h"
#include "Machines.h"
#include "gui/MainForm.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"
#include "sim/scenario/Presets.h"

using namespace rz;
using namespace rz::gui;
using namespace rz::gui::test;
using e2e::CliSandbox;
using e2e::Lines;
using testimage::BuildImage;

namespace {

std::vector<TImageLabel*> SkinButtons(TForm1& f) {
  return {f.ibClose, f.ibMinimize, f.ibHelp, f.ibBackup, f.ibFlash, f.ibExit};
}

// Whether all six image buttons are disabled and were last drawn with their disabled image (the
// three command buttons' own bitmap "_4", the others' normal one).
bool ShowsLockedOut(TForm1& f) {
  for (TImageLabel* b : SkinButtons(f)) {
    if (b->BtnEnabled() || b->LastDrawn() != TImageLabel::Face::Disabled) return false;
    const bool own = b == f.ibBackup || b == f.ibFlash || b == f.ibExit;
    const QImage expected =
        KeyedBitmap(SkinFile(f.ProgramFolder(), b->x(), b->y(), own ? 4 : 1));
    if (b->Image(TImageLabel::Face::Disabled) != expected) return false;
  }
  return true;
}

// Answers every modal window the way rzflash-cli answers it: file dialogs with `file`, yes/no
// questions (skinned or system) with the next of `answers` (no when they run out), everything
// else with OK. For each skinned dialog it notes whether the main window was locked out.
class Responder {
 public:
  Responder(TForm1& form, std::string file, std::deque<bool> answers)
      : form_(form), file_(std::move(file)), answers_(std::move(answers)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }

  QStringList skinned;        // texts of the skinned dialogs answered, in order
  QList<bool> lockedOut;      // per skinned dialog: the image buttons disabled and drawn so
  int fileDialogs = 0;
  QStringList unexpected;     // windows nobody expected

 private:
  bool NextAnswer() {
    if (answers_.empty()) return false;
    const bool a = answers_.front();
    answers_.pop_front();
    return a;
  }

  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (auto* d = qobject_cast<QFileDialog*>(modal)) {
      ++fileDialogs;
      d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(file_));
      static_cast<QDialog*>(d)->accept();
    } else if (auto* m = dynamic_cast<TFormMsg*>(modal)) {
      Note(m->LMessage->text());
      Click(m->btOk);
    } else if (auto* q = dynamic_cast<TFormYesNo*>(modal)) {
      Note(q->LMessage->text());
      Click(NextAnswer() ? q->btYes : q->btNo);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (box->button(QMessageBox::Yes))
        box->button(NextAnswer() ? QMessageBox::Yes : QMessageBox::No)->click();
      else
        box->button(QMessageBox::Ok)->click();
    } else {
      unexpected << modal->metaObject()->className();
      modal->close();
    }
  }

  void Note(const QString& text) {
    skinned << text;
    lockedOut << ShowsLockedOut(form_);
  }

  TForm1& form_;
  std::string file_;
  std::deque<bool> answers_;
  QTimer timer_;
};

// A preset machine in `box` shown in the main window, materialized in a folder named like the
// terminal front end's machine folders so that both transcripts normalise it to <tmp>.
struct WindowRun {
  WindowRun(const CliSandbox& box, const std::string& preset) {
    machineFolder = box.Path("rzflash-machine-window");
    std::filesystem::create_directories(machineFolder);
    sim::ScenarioRecipe recipe = sim::MaterializePreset(preset, machineFolder);
    CopySkin(recipe.programFolder);
    platform = std::make_unique<sim::EmulatedPlatform>(std::move(recipe));
    session = std::make_unique<GuiSession>(platform->Seams(), ProgramCommands());
  }
  // Ends the run as the program does: teardown, then the cards write their EEPROMs back.
  void Finish() {
    session.reset();
    platform->Finish();
  }
  std::string machineFolder;
  std::unique_ptr<sim::EmulatedPlatform> platform;
  std::unique_ptr<GuiSession> session;
};

struct Outcome {
  Lines gui;  // the windows' transcript, normalised
  Lines cli;  // rzflash-cli's, normalised, without its final "exit N"
  int cliExit = -1;
  QStringList skinned;
  QList<bool> lockedOut;
  int fileDialogs = 0;
  QStringList unexpected;
  bool enabledAfter = false;
};

enum class Button { Backup, Flash };

// Runs `button` in the windows on `preset` in `guiBox` and the matching rzflash-cli command in
// `cliBox`; `file` is the file's name in each sandbox (written there beforehand).
Outcome RunBoth(CliSandbox& guiBox, CliSandbox& cliBox, WindowRun& run, Button button,
                const std::string& preset, const std::string& file, const std::deque<bool>& answers) {
  Outcome o;
  std::vector<std::string> args{"--machine", preset};
  for (bool a : answers) args.insert(args.end(), {"--answer", a ? "yes" : "no"});
  args.insert(args.end(), {button == Button::Flash ? "flash" : "save", file});
  const e2e::CliResult r = cliBox.Run(args);
  o.cliExit = r.exitCode;
  o.cli = r.lines;
  if (!o.cli.empty() && o.cli.back().rfind("exit ", 0) == 0) o.cli.pop_back();

  if (run.session->Start() != app::StartResult::Ready) return o;
  TForm1& f = run.session->Form();
  f.show();
  if (!QTest::qWaitForWindowExposed(&f)) return o;
  {
    Responder responder(f, guiBox.Path(file), answers);
    Click(button == Button::Flash ? f.ibFlash : f.ibBackup);
    o.skinned = responder.skinned;
    o.lockedOut = responder.lockedOut;
    o.fileDialogs = responder.fileDialogs;
    o.unexpected = responder.unexpected;
  }
  const auto buttons = SkinButtons(f);
  o.enabledAfter = std::all_of(buttons.begin(), buttons.end(), [](TImageLabel* b) {
                     return b->BtnEnabled() && b->LastDrawn() != TImageLabel::Face::Disabled;
                   }) &&
                   f.btSave->isEnabled() && f.btFlash->isEnabled() && f.btExit->isEnabled();
  for (const auto& line : run.session->Transcript().Lines())
    o.gui.push_back(guiBox.Normalise(line));
  return o;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The chip holds `image` from offset 0 and 0xFF after it.
bool HoldsImage(const std::vector<std::uint8_t>& chip, const std::vector<std::uint8_t>& image) {
  return chip.size() >= image.size() && std::equal(image.begin(), image.end(), chip.begin()) &&
         std::all_of(chip.begin() + static_cast<long>(image.size()), chip.end(),
                     [](std::uint8_t b) { return b == 0xFF; });
}

QString Show(const Lines& lines) {
  QStringList l;
  for (const auto& s : lines) l << QString::fromStdString(s);
  return l.join(QLatin1Char('\n'));
}

// Both transcripts equal, with both printed in full when they are not.
#define COMPARE_TRANSCRIPTS(o)                                                        \
  do {                                                                                \
    if ((o).gui != (o).cli)                                                           \
      qWarning().noquote() << "windows:\n" << Show((o).gui) << "\nterminal:\n" << Show((o).cli); \
    QCOMPARE((o).gui, (o).cli);                                                       \
  } while (0)

const char* const kBlank = "The screen may go *BLANK* during EEPROM flash";
const char* const kRestart = "You must restart your system to take new changes.\nDo you want to restart now ?";

}  // namespace

class CliParityTest : public QObject {
  Q_OBJECT

 private slots:
  void nvidiaFlash_data() {
    QTest::addColumn<bool>("restart");
    QTest::newRow("restart yes") << true;
    QTest::newRow("restart no") << false;
  }

  // A newer image (version F5 of the card's ids) flashed through the windows, as the terminal does.
  void nvidiaFlash() {
    QFETCH(bool, restart);
    QElapsedTimer clock;
    clock.start();
    testimage::ImageRecipe newer = e2e::PresetNvidiaImage();
    newer.block->number = 5;
    newer.seed = 9;
    const auto image = BuildImage(newer);
    CliSandbox guiBox, cliBox;
    guiBox.Write("new.rom", image);
    cliBox.Write("new.rom", image);
    WindowRun run(guiBox, "nvidia-parallel");
    const Outcome o = RunBoth(guiBox, cliBox, run, Button::Flash, "nvidia-parallel", "new.rom", {restart});
    QCOMPARE(o.cliExit, 0);
    QVERIFY2(o.unexpected.isEmpty(), qPrintable(o.unexpected.join(',')));
    QCOMPARE(o.fileDialogs, 1);
    // The window names the safety backup under the completion text; the transcript does not.
    QCOMPARE(o.skinned,
             QStringList({kBlank,
                          "Flash BIOS completed!!!\nOld BIOS kept as PX4R7.F4-20260101-000001.rom",
                          kRestart}));
    QCOMPARE(o.lockedOut, QList<bool>({true, true, true}));
    QVERIFY(o.enabledAfter);
    COMPARE_TRANSCRIPTS(o);
    const Lines tail(o.gui.end() - 3, o.gui.end());
    if (restart)
      QCOMPARE(tail, (Lines{"yesno -> yes: You must restart your system to take new changes.\\nDo "
                            "you want to restart now ?",
                            "restart", "status: Ready"}));
    else
      QCOMPARE(std::count(o.gui.begin(), o.gui.end(), std::string("restart")), 0);
    const auto& calls = run.platform->Shutdown().calls;
    QCOMPARE(std::count(calls.begin(), calls.end(), std::string("ExitWindows 6 0")), restart ? 1 : 0);
    run.Finish();
    QVERIFY(HoldsImage(ReadFile(run.machineFolder + "/nvidia-card.rom"), image));
    qInfo("took %lld ms", static_cast<long long>(clock.elapsed()));
  }

  // ibBackup saves the card's image as the terminal's save does, into the same kind of file.
  void nvidiaBackup() {
    QElapsedTimer clock;
    clock.start();
    CliSandbox guiBox, cliBox;
    WindowRun run(guiBox, "nvidia-parallel");
    const Outcome o = RunBoth(guiBox, cliBox, run, Button::Backup, "nvidia-parallel", "saved.rom", {});
    QCOMPARE(o.cliExit, 0);
    QVERIFY2(o.unexpected.isEmpty(), qPrintable(o.unexpected.join(',')));
    QCOMPARE(o.fileDialogs, 1);
    QCOMPARE(o.skinned, QStringList({kBlank, "Save VGA BIOS completed!!!"}));
    QCOMPARE(o.lockedOut, QList<bool>({true, true}));
    QVERIFY(o.enabledAfter);
    COMPARE_TRANSCRIPTS(o);
    const auto card = BuildImage(e2e::PresetNvidiaImage());
    QVERIFY(guiBox.Read("saved.rom") == card);
    QVERIFY(cliBox.Read("saved.rom") == card);
    qInfo("took %lld ms", static_cast<long long>(clock.elapsed()));
  }

  // The ATI road: an "ATOM" image of the card's ids with model text RZ-HD485/F3 goes through the
  // vendor tool.
  void atiFlash() {
    QElapsedTimer clock;
    clock.start();
    const auto image = BuildImage(e2e::AtiImage(0x21B8, "RZ-HD485/F3"));
    CliSandbox guiBox, cliBox;
    guiBox.Write("new.rom", image);
    cliBox.Write("new.rom", image);
    WindowRun run(guiBox, "ati");
    const Outcome o = RunBoth(guiBox, cliBox, run, Button::Flash, "ati", "new.rom", {true});
    QCOMPARE(o.cliExit, 0);
    QVERIFY2(o.unexpected.isEmpty(), qPrintable(o.unexpected.join(',')));
    QCOMPARE(o.fileDialogs, 1);
    QCOMPARE(o.skinned, QStringList({kBlank,
                                     "Flash VGA BIOS completed!!!\nOld BIOS kept as "
                                     "RZ-HD485-20260101-000001.rom",
                                     kRestart}));
    QCOMPARE(o.lockedOut, QList<bool>({true, true, true}));
    QVERIFY(o.enabledAfter);
    COMPARE_TRANSCRIPTS(o);
    QVERIFY(std::count(o.gui.begin(), o.gui.end(),
                       e2e::Launch("<tmp>", "-p 0 Flash.bin -f -quiet")) == 1);
    QVERIFY(std::count(o.gui.begin(), o.gui.end(), std::string("restart")) == 1);
    run.Finish();
    QVERIFY(ReadFile(run.machineFolder + "/ati-card.rom") == image);
    qInfo("took %lld ms", static_cast<long long>(clock.elapsed()));
  }

  // The ATI backup through the tool's save launch.
  void atiBackup() {
    CliSandbox guiBox, cliBox;
    WindowRun run(guiBox, "ati");
    const Outcome o = RunBoth(guiBox, cliBox, run, Button::Backup, "ati", "saved.rom", {});
    QCOMPARE(o.cliExit, 0);
    QVERIFY2(o.unexpected.isEmpty(), qPrintable(o.unexpected.join(',')));
    QCOMPARE(o.skinned, QStringList({kBlank, "Save VGA BIOS completed!!!"}));
    QCOMPARE(o.lockedOut, QList<bool>({true, true}));
    QVERIFY(o.enabledAfter);
    COMPARE_TRANSCRIPTS(o);
    const auto card = BuildImage(e2e::PresetAtiImage());
    QVERIFY(guiBox.Read("saved.rom") == card);
    QVERIFY(cliBox.Read("saved.rom") == card);
  }
};

QTEST_MAIN(CliParityTest)
#include "CliParityTest.moc"
