// SPDX-License-Identifier: GPL-3.0-or-later
// Waits for an outside program the way a window can bear it: the program is started and waited
// for on a worker thread while the window's event loop goes on painting (the status panel's
// running bar moves); mouse and keyboard input stays held back until the program has ended, so
// nothing new can start meanwhile and the command carries on exactly as after a blocking wait.
#pragma once
#include <functional>
#include <memory>

#include "platform/ToolLauncher.h"

namespace rz::skin {

// A toolkit's nested event loop that paints and runs timers but holds back user input. It may be
// run again after it returned.
class EventPump {
 public:
  virtual ~EventPump() = default;
  // Runs the loop until Quit; returns at once when Quit came first.
  virtual void Run() = 0;
  // Ends Run; called from another thread, and never lost when it comes before Run. Several calls
  // before one Run may end only that one.
  virtual void Quit() = 0;
};

class PaintingToolLauncher final : public platform::ToolLauncher {
 public:
  using MakePump = std::function<std::unique_ptr<EventPump>()>;
  PaintingToolLauncher(platform::ToolLauncher& inner, MakePump makePump)
      : inner_(inner), makePump_(std::move(makePump)) {}
  platform::LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                                    const std::string& folder) override;
  // The watch is told on the window's thread (the thread that called this), between the loop's
  // runs, never on the worker.
  platform::LaunchResult RunAndWatch(const std::string& path, const std::string& parameters,
                                     const std::string& folder,
                                     const platform::WaitWatch& watch) override;

 private:
  platform::ToolLauncher& inner_;
  MakePump makePump_;
};

}  // namespace rz::skin
