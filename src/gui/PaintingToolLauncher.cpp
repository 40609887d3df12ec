#include "gui/PaintingToolLauncher.h"

#include <QEventLoop>
#include <QMetaObject>
#include <thread>

namespace rz::gui {

platform::LaunchResult PaintingToolLauncher::RunAndWait(const std::string& path,
                                                        const std::string& parameters,
                                                        const std::string& folder) {
  platform::LaunchResult result;
  QEventLoop loop;
  {
    // Joined before `result` is read; the quit is queued to the loop's thread, so an end that
    // comes before the loop runs is not lost.
    std::jthread worker([&] {
      result = inner_.RunAndWait(path, parameters, folder);
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  return result;
}

}  // namespace rz::gui
