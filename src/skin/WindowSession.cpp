// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/WindowSession.h"

#include "app/AdapterChoice.h"
#include "app/Detection.h"
#include "app/ExitCodes.h"
#include "app/RecoveryOffer.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"

namespace rz::skin {

WindowCommands ProgramCommands() {
  WindowCommands c;
  c.detect = app::DetectCardOfferingRecovery;
  c.save = [](app::Program& p) {
    auto ctx = p.Commands();
    commands::btSaveClick(ctx);
  };
  c.flash = [](app::Program& p) {
    // The window has no choice of card: with several it says which one adapter 0 is before the
    // person picks a file for it. With one card the status is left as it stands.
    if (app::CardsToChooseFrom(p.adapters) > 1)
      p.GetUi().SetStatus(app::WorkingCardStatus(p.adapters.adapters[0]));
    auto ctx = p.Commands();
    commands::btFlashClick(ctx);
  };
  return c;
}

WindowSession::WindowSession(platform::Platform& platform, ui::Ui& windowUi,
                             const WindowCommands& commands,
                             PaintingToolLauncher::MakePump makePump,
                             std::function<void(int)> endEventLoop)
    : commands_(commands), endEventLoop_(std::move(endEventLoop)) {
  launcher_ = std::make_unique<PaintingToolLauncher>(platform.launcher, std::move(makePump));
  windowSeams_ = std::make_unique<platform::Platform>(platform::Platform{
      platform.device, platform.services, platform.system, platform.files, *launcher_,
      platform.registry, platform.shutdown, platform.shell, platform.interrupts});
  session_ = std::make_unique<app::Session>(*windowSeams_, windowUi, transcript_, commands.detect);
  session_->Program().accessProblem = commands.accessProblem;
}

WindowSession::~WindowSession() { session_->End(app::kExitOk); }

void WindowSession::Run(const std::function<void(app::Program&)>& command) {
  if (command) command(session_->Program());
  // A request to stop held while the card was written ends the program once the command is done.
  if (session_->InterruptHeld() && endEventLoop_) endEventLoop_(app::kExitInterrupted);
}

}  // namespace rz::skin
