// rzflash: the windowed program on this computer's hardware, through the Linux backends.
#include "gui/GuiMain.h"
#include "platform/FileSystem.h"
#include "platform/linux/LinuxDriverDevice.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxServiceControl.h"
#include "platform/linux/LinuxShellOpen.h"
#include "platform/linux/LinuxShutdown.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxToolLauncher.h"

int main(int argc, char** argv) {
  rz::gui::GuiApplication app(argc, argv);
  rz::platform::LinuxDriverDevice device;
  rz::platform::LinuxServiceControl services;
  rz::platform::LinuxSystem system;
  const auto files = rz::platform::MakeHostFileSystem();
  rz::platform::LinuxToolLauncher launcher;
  rz::platform::LinuxRegistry registry;
  rz::platform::LinuxShutdown shutdown;
  rz::platform::LinuxShellOpen shell;
  rz::platform::Platform platform{device, services, system,   *files,
                                  launcher, registry, shutdown, shell};
  const rz::gui::GuiCommands commands = rz::gui::ProgramCommands();
  return rz::gui::RunGui(app, platform, commands);
}
