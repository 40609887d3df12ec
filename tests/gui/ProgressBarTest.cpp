// SPDX-License-Identifier: GPL-3.0-or-later
// The status panel's progress bar through whole commands in the windows on the emulated machine:
// what it showed at every repaint while the command ran, and that it is gone once the command ends.
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>
#include <optional>
#include <vector>

#include "GuiTestSupport.h"
#include "Machines.h"
#include "gui/MainForm.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"

using namespace rz;
using namespace rz::gui;
using namespace rz::gui::test;

namespace {

struct Frame {
  QString phase;
  std::optional<int> percent;
  QString text;
  bool animating = false;
};

// Notes what the bar shows each time it is painted.
class BarWatch : public QObject {
 public:
  explicit BarWatch(TSkinProgressBar& bar) : bar_(bar) { bar.installEventFilter(this); }
  std::vector<Frame> frames;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint)
      frames.push_back({bar_.Phase(), bar_.Percent(), bar_.Text(), bar_.Animating()});
    return false;
  }

 private:
  TSkinProgressBar& bar_;
};

// File dialogs get `path`, skinned messages OK, questions (the restart) No.
void AnswerEverything(const std::string& path, int windows) {
  QList<std::function<void(QWidget*)>> actions;
  for (int i = 0; i < windows; ++i)
    actions << [path](QWidget* m) {
      if (auto* d = qobject_cast<QFileDialog*>(m)) {
        d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QString::fromStdString(path));
        static_cast<QDialog*>(d)->accept();
      } else if (auto* msg = dynamic_cast<TFormMsg*>(m)) {
        Click(msg->btOk);
      } else if (auto* q = dynamic_cast<TFormYesNo*>(m)) {
        Click(q->btNo);
      } else {
        m->close();
      }
    };
  AnswerModals(actions);
}

// The phases in the order they came, each once per run of equal neighbours.
QStringList PhaseRuns(const std::vector<Frame>& frames) {
  QStringList runs;
  for (const auto& f : frames)
    if (runs.isEmpty() || runs.back() != f.phase) runs << f.phase;
  return runs;
}

std::vector<std::uint8_t> ChipOf(sim::EmulatedPlatform& platform) {
  const auto contents =
      dynamic_cast<sim::NvidiaCard&>(*platform.AdapterDevice(0)).Chip()->Contents();
  return {contents.begin(), contents.end()};
}

}  // namespace

class ProgressBarTest : public QObject {
  Q_OBJECT

 private slots:
  // The programmed road: every phase in order, each only ever advancing, each to its end.
  void flashShowsEachPhaseAdvancing_data() {
    QTest::addColumn<QString>("preset");
    QTest::newRow("parallel chip") << QStringLiteral("nvidia-parallel");
    QTest::newRow("serial chip") << QStringLiteral("nvidia-spi");
  }
  void flashShowsEachPhaseAdvancing() {
    QFETCH(QString, preset);
    GuiRun run(preset.toStdString(), ProgramCommands());
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    testimage::ImageRecipe newer = e2e::PresetNvidiaImage();
    newer.block->number = 5;
    newer.seed = 9;
    const std::string file = run.dir.File("new.rom");
    QVERIFY(testimage::WriteFile(file, testimage::BuildImage(newer)));
    BarWatch watch(*f.StatusProgress);
    QVERIFY(f.StatusProgress->isHidden());
    // Open dialog, the blank-screen warning, the completed message, the restart question.
    AnswerEverything(file, 4);
    Click(f.ibFlash);
    QCOMPARE(f.lStatus->text(), QStringLiteral("Ready"));

    // The last read is the flashed card's BIOS, read again for the window's labels.
    QCOMPARE(PhaseRuns(watch.frames),
             QStringList({"Backing up", "Checking", "Erasing", "Programming", "Verifying", "Reading"}));
    std::optional<int> last;
    QString phase;
    for (const auto& frame : watch.frames) {
      QVERIFY2(frame.percent.has_value(), qPrintable(frame.phase));
      QVERIFY(!frame.animating);
      QCOMPARE(frame.text, QStringLiteral("%1 %2%").arg(frame.phase).arg(*frame.percent));
      if (frame.phase != phase) last.reset();
      QVERIFY2(!last || *frame.percent >= *last,
               qPrintable(QStringLiteral("%1 went back from %2 to %3")
                              .arg(frame.phase)
                              .arg(last.value_or(-1))
                              .arg(*frame.percent)));
      phase = frame.phase;
      last = frame.percent;
    }
    // Each phase ends full, and programming was seen on its way.
    for (const char* p : {"Backing up", "Checking", "Erasing", "Programming", "Verifying", "Reading"}) {
      int most = -1, count = 0;
      for (const auto& frame : watch.frames)
        if (frame.phase == p) most = std::max(most, *frame.percent), ++count;
      QCOMPARE(most, 100);
      if (QString::fromLatin1(p) == QStringLiteral("Programming")) QVERIFY(count > 2);
    }
    QVERIFY(f.StatusProgress->isHidden());
    QVERIFY(!f.StatusProgress->Animating());
  }

  // The save's reads show as "Reading" and "Checking" and go with the command.
  void backupShowsReading() {
    GuiRun run(std::string("nvidia-spi"), ProgramCommands());
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    BarWatch watch(*f.StatusProgress);
    AnswerEverything(run.dir.File("saved.rom"), 3);
    Click(f.ibBackup);
    QCOMPARE(PhaseRuns(watch.frames), QStringList({"Reading", "Checking"}));
    QCOMPARE(watch.frames.back().percent, std::optional<int>(100));
    QVERIFY(f.StatusProgress->isHidden());
  }

  // The vendor tool tells nothing of its progress: the bar runs without a percentage.
  void vendorToolRunsWithoutPercentage() {
    GuiRun run(std::string("ati"), ProgramCommands());
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    BarWatch watch(*f.StatusProgress);
    AnswerEverything(run.dir.File("saved.rom"), 3);
    Click(f.ibBackup);
    QVERIFY(!watch.frames.empty());
    for (const auto& frame : watch.frames) {
      QCOMPARE(frame.phase, QStringLiteral("Reading"));
      QCOMPARE(frame.percent, std::nullopt);
      QCOMPARE(frame.text, QStringLiteral("Reading"));
      QVERIFY(frame.animating);
    }
    QVERIFY(f.StatusProgress->isHidden());
    QVERIFY(!f.StatusProgress->Animating());
  }

  // A flash that fails on a cell that will not program: the window writes the old BIOS back,
  // the bar showing "Restoring", and the card holds its old BIOS again.
  void failedFlashShowsRestoring() {
    const auto old = testimage::BuildImage(e2e::PresetNvidiaImage());
    testimage::ImageRecipe newer = e2e::PresetNvidiaImage();
    newer.block->number = 5;
    newer.seed = 9;
    const auto next = testimage::BuildImage(newer);
    std::size_t stuck = 0;
    while (stuck < next.size() && !(old.at(stuck) == 0xFF && next[stuck] != 0xFF)) ++stuck;
    QVERIFY(stuck < next.size());
    rz::test::TempDir images;
    QVERIFY(testimage::WriteFile(images.File("card.rom"), old));
    nlohmann::json adapter = rz::test::Adapter(1, 0, 0x10DE, 0x0191);
    adapter["subsystem_id"] = 0x34C7;
    adapter["eeprom"] = {{"chip", "PMC PM25LV010"},
                         {"image", images.File("card.rom")},
                         {"faults", {{"stuck_cells", {{"offset", stuck}}}}}};
    GuiRun run(nlohmann::json{{"adapters", {adapter}}}, ProgramCommands());
    run.dir.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n");
    QVERIFY(run.StartShown());
    TForm1& f = run.session->Form();
    const std::string file = run.dir.File("new.rom");
    QVERIFY(testimage::WriteFile(file, next));
    BarWatch watch(*f.StatusProgress);
    // Open dialog, the blank-screen warning, the programming error, the restored message.
    AnswerEverything(file, 4);
    Click(f.ibFlash);
    const QStringList runs = PhaseRuns(watch.frames);
    QVERIFY2(runs.contains(QStringLiteral("Restoring")), qPrintable(runs.join(',')));
    QCOMPARE(runs.back(), QStringLiteral("Restoring"));
    const auto chip = ChipOf(*run.platform);
    QVERIFY(chip.size() >= old.size());
    QVERIFY(std::equal(old.begin(), old.end(), chip.begin()));
    QVERIFY(f.StatusProgress->isHidden());
  }

  // Reports outside a command (start-up's reads) show nothing.
  void nothingShownOutsideACommand() {
    GuiRun run(std::string("nvidia-spi"), ProgramCommands());
    QCOMPARE(run.session->Start(), app::StartResult::Ready);
    TForm1& f = run.session->Form();
    run.session->Ui().ReportProgress(ui::Phase::Reading, 10, 20);
    QVERIFY(f.StatusProgress->isHidden());
    f.SetCommandButtonsEnabled(false);
    run.session->Ui().ReportProgress(ui::Phase::Erasing, 1, 1);
    QVERIFY(!f.StatusProgress->isHidden());
    QCOMPARE(f.StatusProgress->Text(), QStringLiteral("Erasing 100%"));
    f.SetCommandButtonsEnabled(true);
    QVERIFY(f.StatusProgress->isHidden());
  }
};

QTEST_MAIN(ProgressBarTest)
#include "ProgressBarTest.moc"
