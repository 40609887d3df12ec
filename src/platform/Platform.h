// SPDX-License-Identifier: GPL-3.0-or-later
// The set of platform seams one program instance works through; chosen in the executable's main.
#pragma once
#include "platform/DriverDevice.h"
#include "platform/FileSystem.h"
#include "platform/InterruptHold.h"
#include "platform/Registry.h"
#include "platform/ServiceControl.h"
#include "platform/ShellOpen.h"
#include "platform/Shutdown.h"
#include "platform/System.h"
#include "platform/ToolLauncher.h"

namespace rz::platform {

struct Platform {
  DriverDevice& device;
  ServiceControl& services;
  System& system;
  FileSystem& files;
  ToolLauncher& launcher;
  Registry& registry;
  Shutdown& shutdown;
  ShellOpen& shell;
  // Holds interrupt requests while the chip is written; null: they are never held.
  InterruptHold* interrupts = nullptr;
};

}  // namespace rz::platform
