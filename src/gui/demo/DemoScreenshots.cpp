// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/demo/DemoScreenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "gui/MainForm.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"

namespace rz::gui {

namespace {

void Settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Grabs the screen around `w`, so the window's shape shows against the desktop.
void Shoot(QWidget& w, const QString& path) {
  Settle(400);
  QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
  const QRect r = w.frameGeometry().adjusted(-12, -12, 12, 12);
  const QPixmap shot = screen->grabWindow(0, r.x(), r.y(), r.width(), r.height());
  std::printf("%s %s\n", shot.save(path) ? "saved" : "cannot save", qPrintable(path));
}

void Hover(TImageLabel* b) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(b, &enter);
}

void Leave(TImageLabel* b) {
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(b, &leave);
}

void Press(TImageLabel* b) {
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)),
                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(b, &e);
}

void Release(TImageLabel* b) {
  QMouseEvent e(QEvent::MouseButtonRelease, QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)),
                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(b, &e);
}

}  // namespace

AfterStartHook DemoScreenshotHook() {
  const QString dir = QString::fromLocal8Bit(qgetenv("RZFLASH_DEMO_SCREENSHOT"));
  if (dir.isEmpty()) return nullptr;
  // Message boxes of the start-up (before the main window shows) are shot and answered.
  auto* boxes = new QTimer(qApp);
  QObject::connect(boxes, &QTimer::timeout, boxes, [dir, shots = 0]() mutable {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    Shoot(*box, dir + QStringLiteral("/box%1.png").arg(++shots));
    if (QAbstractButton* b = box->defaultButton() ? box->defaultButton() : box->buttons().value(0))
      b->click();
  });
  boxes->start(100);
  return [dir](app::StartResult, TForm1& form, QtUi& ui, app::Program& program) {
    QTimer::singleShot(300, &form, [dir, &form, &ui, &program] {
      Shoot(form, dir + QStringLiteral("/main.png"));
      if (form.ibBackup) {
        // The long status text, buttons hovered and pressed.
        ui.SetStatus(ui::kStatusBusy);
        Hover(form.ibBackup);
        Hover(form.ibClose);
        Shoot(form, dir + QStringLiteral("/main-hover.png"));
        Leave(form.ibBackup);
        Leave(form.ibClose);
        Hover(form.ibFlash);
        Hover(form.ibHelp);
        Press(form.ibFlash);
        Press(form.ibHelp);
        Shoot(form, dir + QStringLiteral("/main-pressed.png"));
        for (TImageLabel* b : {form.ibHelp, form.ibFlash}) {  // released without running the action
          const auto action = b->AfterMouseUp;
          b->AfterMouseUp = nullptr;
          Release(b);
          b->AfterMouseUp = action;
        }
        Leave(form.ibFlash);
        Leave(form.ibHelp);
        form.SetCommandButtonsEnabled(false);
        Shoot(form, dir + QStringLiteral("/main-busy.png"));
        // A flash part-way through its programming, as the engine reports it.
        ui.ReportProgress(ui::Phase::Programming, 0x9A00, 0x10000);
        Shoot(form, dir + QStringLiteral("/main-progress.png"));
        form.SetCommandButtonsEnabled(true);
      }
      // The dialogs alone, on the desktop.
      form.hide();
      {
        TFormMsg msg(&form, program.programFolder);
        msg.SetMessage(QStringLiteral("Save VGA BIOS completed!!!"));
        msg.show();
        Shoot(msg, dir + QStringLiteral("/msg.png"));
      }
      {
        TFormYesNo yesNo(&form, program.programFolder);
        yesNo.SetMessage(QStringLiteral(
            "You must restart your system to take new changes.\nDo you want to restart now ?"));
        yesNo.show();
        Hover(yesNo.btYes);
        Shoot(yesNo, dir + QStringLiteral("/yesno.png"));
      }
      form.close();
      QCoreApplication::quit();  // the hidden window closing does not end the loop
    });
  };
}

}  // namespace rz::gui
