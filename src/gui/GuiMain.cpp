#include "gui/GuiMain.h"

#include <QMessageBox>
#include <exception>

#include "app/Detection.h"
#include "app/ExitCodes.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "gui/MainForm.h"
#include "gui/QtEventPump.h"
#include "gui/QtUi.h"
#include "gui/SkinDialogs.h"
#include "ui/Ui.h"

namespace rz::gui {

GuiCommands ProgramCommands() {
  GuiCommands c;
  c.detect = app::DetectCard;
  c.save = [](app::Program& p) {
    auto ctx = p.Commands();
    commands::btSaveClick(ctx);
  };
  c.flash = [](app::Program& p) {
    auto ctx = p.Commands();
    commands::btFlashClick(ctx);
  };
  return c;
}

GuiSession::GuiSession(platform::Platform& platform, const GuiCommands& commands)
    : form_(std::make_unique<TForm1>()) {
  ui_ = std::make_unique<QtUi>(*form_,
                               [this] { return session_ ? session_->Program().programFolder : ""; });
  launcher_ = std::make_unique<skin::PaintingToolLauncher>(
      platform.launcher, [] { return std::make_unique<QtEventPump>(); });
  windowSeams_ = std::make_unique<platform::Platform>(platform::Platform{
      platform.device, platform.services, platform.system, platform.files, *launcher_,
      platform.registry, platform.shutdown, platform.shell, platform.interrupts});
  session_ = std::make_unique<app::Session>(*windowSeams_, *ui_, transcript_, commands.detect);
  app::Program& run = session_->Program();
  form_->shell = &run.Seams().shell;
  // A request to stop held while the card was written ends the program once the command is done.
  auto endIfInterrupted = [session = session_.get()] {
    if (session->InterruptHeld()) QCoreApplication::exit(app::kExitInterrupted);
  };
  form_->onSave = [&run, save = commands.save, endIfInterrupted] {
    if (save) save(run);
    endIfInterrupted();
  };
  form_->onFlash = [&run, flash = commands.flash, endIfInterrupted] {
    if (flash) flash(run);
    endIfInterrupted();
  };
}

GuiSession::~GuiSession() { session_->End(app::kExitOk); }

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
