// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt event loop that keeps the windows painting while an outside program runs: a nested loop
// that holds back user input.
#pragma once
#include <QEventLoop>

#include <atomic>

#include "skin/PaintingToolLauncher.h"

namespace rz::gui {

class QtEventPump final : public skin::EventPump {
 public:
  void Run() override;
  // Queued to the loop's thread, so an end that comes before the loop runs is not lost; also
  // noted, for a queued end that other event processing took while the loop was not running.
  void Quit() override;

 private:
  QEventLoop loop_;
  std::atomic<bool> quitAsked_{false};
};

}  // namespace rz::gui
