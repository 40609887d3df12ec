// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/QtEventPump.h"

#include <QMetaObject>

namespace rz::gui {

void QtEventPump::Run() {
  if (!quitAsked_.exchange(false)) loop_.exec(QEventLoop::ExcludeUserInputEvents);
  quitAsked_ = false;
}

void QtEventPump::Quit() {
  quitAsked_ = true;
  QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
}

}  // namespace rz::gui
