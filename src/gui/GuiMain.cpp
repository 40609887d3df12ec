#include "gui/GuiMain.h"

#include <QMessageBox>
#include <exception>

#include "app/Detection.h"
#include "app/ExitCodes.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "gui/MainForm.h"
#include "gui/PaintingToolLauncher.h"
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
  ui_ = std::make_unique<QtUi>(*form_, [this] { return program_ ? program_->programFolder : ""; });
  recordedUi_ = std::make_unique<ui::RecordingUi>(*ui_, transcript_);
  launcher_ = std::make_unique<PaintingToolLauncher>(platform.launcher);
  windowSeams_ = std::make_unique<platform::Platform>(platform::Platform{
      platform.device, platform.services, platform.system, platform.files, *launcher_,
      platform.registry, platform.shutdown, platform.shell, platform.interrupts});
  seams_ = std::make_unique<app::RecordingPlatform>(*windowSeams_, transcript_);
  form_->shell = &seams_->Seams().shell;
  program_ = std::make_unique<app::Program>(seams_->Seams(), *recordedUi_);
  app::Program& run = *program_;
  run.detect = commands.detect;
  // A request to stop held while the card was written ends the program once the command is done.
  auto endIfInterrupted = [&run] {
    if (platform::InterruptHeld(run.Seams().interrupts)) QCoreApplication::exit(app::kExitInterrupted);
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

GuiSession::~GuiSession() { program_->FormDestroy(); }

app::StartResult GuiSession::Start() {
  const app::StartResult started = program_->FormCreate();
  if (started == app::StartResult::Ready || started == app::StartResult::DriverFailed) {
    formMsg_ = std::make_unique<TFormMsg>(form_.get(), program_->programFolder);
    formYesNo_ = std::make_unique<TFormYesNo>(form_.get(), program_->programFolder);
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
