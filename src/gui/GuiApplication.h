// SPDX-License-Identifier: GPL-3.0-or-later
// The application object of the windowed program. An exception from the program's code must not
// unwind through the toolkit: handlers run program code through RunGuarded, which ends the event
// loop and keeps the exception's text for the entry to show.
#pragma once
#include <QApplication>
#include <functional>
#include <optional>
#include <string>

namespace rz::gui {

class GuiApplication : public QApplication {
  Q_OBJECT

 public:
  GuiApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  // Last resort for an exception that still reached the toolkit's event delivery.
  bool notify(QObject* receiver, QEvent* event) override;
  // Ends the event loop for an exception with `text` (the first one counts).
  void Fail(const std::string& text);
  // Text of the exception that ended the event loop; nullopt when none did.
  const std::optional<std::string>& Failure() const { return failure_; }

 private:
  std::optional<std::string> failure_;
};

// Runs `action`; an exception it throws ends the event loop of a GuiApplication (outside one,
// the loop just ends) instead of unwinding through the caller.
void RunGuarded(const std::function<void()>& action);

}  // namespace rz::gui
