// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/GuiMain.h"

#include <QMessageBox>
#include <exception>

#include "app/ExitCodes.h"
#include "gui/MainForm.h"
#include "gui/QtEventPump.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"
#include "ui/Ui.h"

namespace rz::gui {

GuiSession::GuiSession(platform::Platform& platform, const GuiCommands& commands)
    : form_(std::make_unique<TForm1>()) {
  ui_ = std::make_unique<QtUi>(*form_,
                               [this] { return session_ ? session_->Program().programFolder : ""; });
  session_ = std::make_unique<skin::WindowSession>(
      platform, *ui_, commands, [] { return std::make_unique<QtEventPump>(); },
      [](int code) { QCoreApplication::exit(code); });
  form_->shell = &session_->Program().Seams().shell;
  form_->onSave = [session = session_.get()] { session->Save(); };
  form_->onFlash = [session = session_.get()] { session->Flash(); };
}

GuiSession::~GuiSession() { session_.reset(); }

app::StartResult GuiSession::Start() {
  const app::StartResult started = session_->Start();
  if (started == app::StartResult::Ready || started == app::StartResult::DriverFailed) {
    formMsg_ = std::make_unique<TFormMsg>(form_.get(), Program().programFolder);
    formYesNo_ = std::make_unique<TFormYesNo>(form_.get(), Program().programFolder);
  }
  return started;
}

namespace {

void ShowException(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ui::kApplicationTitle),
                  QString::fromStdString(text), QMessageBox::Ok);
  box.exec();
}

int Run(GuiApplication& application, platform::Platform& platform, const GuiCommands& commands,
        const AfterStartHook& afterStart) {
  QGuiApplication::setApplicationDisplayName(QString::fromUtf8(ui::kApplicationTitle));
  GuiSession session(platform, commands);
  const app::StartResult started = session.Start();
  if (started == app::StartResult::SecondInstance ||
      started == app::StartResult::EndedByDetection)
    return app::kExitOk;
  if (afterStart) afterStart(started, session.Form(), session.Ui(), session.Program());
  session.Form().show();
  return application.exec();
}

}  // namespace

int RunGui(GuiApplication& application, platform::Platform& platform, const GuiCommands& commands,
           const AfterStartHook& afterStart) {
  int code = app::kExitOk;
  try {
    code = Run(application, platform, commands, afterStart);
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException(std::string());
  }
  if (application.Failure()) ShowException(*application.Failure());
  return code;
}

}  // namespace rz::gui
