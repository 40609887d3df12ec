// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/GuiApplication.h"

#include <exception>

#include "app/ExitCodes.h"

namespace rz::gui {

namespace {
// The text of the exception being handled; a foreign exception carries none.
std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return std::string();
  }
}
}  // namespace

bool GuiApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    Fail(CurrentExceptionText());
  }
  return true;
}

void GuiApplication::Fail(const std::string& text) {
  if (!failure_) failure_ = text;
  exit(app::kExitOk);
}

void RunGuarded(const std::function<void()>& action) {
  try {
    action();
  } catch (...) {
    const std::string text = CurrentExceptionText();
    if (auto* app = qobject_cast<GuiApplication*>(QCoreApplication::instance()))
      app->Fail(text);
    else
      QCoreApplication::exit(app::kExitOk);
  }
}

}  // namespace rz::gui
