// The Qt event loop that keeps the windows painting while an outside program runs: a nested loop
// that holds back user input.
#pragma once
#include <QEventLoop>

#include "skin/PaintingToolLauncher.h"

namespace rz::gui {

class QtEventPump final : public skin::EventPump {
 public:
  void Run() override;
  // Queued to the loop's thread, so an end that comes before the loop runs is not lost.
  void Quit() override;

 private:
  QEventLoop loop_;
};

}  // namespace rz::gui
