// Waits for an outside program the way the window can bear it: the program is started and waited
// for on a worker thread while the window goes on painting (the status panel's running bar moves);
// mouse and keyboard input stays held back until the program has ended, so nothing new can start
// meanwhile and the command carries on exactly as after a blocking wait.
#pragma once
#include "platform/ToolLauncher.h"

namespace rz::gui {

class PaintingToolLauncher final : public platform::ToolLauncher {
 public:
  explicit PaintingToolLauncher(platform::ToolLauncher& inner) : inner_(inner) {}
  platform::LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                                    const std::string& folder) override;

 private:
  platform::ToolLauncher& inner_;
};

}  // namespace rz::gui
