#include "gui/QtEventPump.h"

#include <QMetaObject>

namespace rz::gui {

void QtEventPump::Run() { loop_.exec(QEventLoop::ExcludeUserInputEvents); }

void QtEventPump::Quit() {
  QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
}

}  // namespace rz::gui
