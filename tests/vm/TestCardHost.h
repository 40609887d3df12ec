// SPDX-License-Identifier: GPL-3.0-or-later
// Test builds only: the computer's platform with its driver device seen through TestCardDevice,
// set up from the environment:
//   RZFLASH_TEST_CARD=BB:DD.F   the PCI slot shown to the program as a card of the maker with an
//                               NVIDIA chip (kTestCardIds); unset: no slot is changed
//   RZFLASH_TEST_LOG=FILE       written when the run ends: "scan BB:DD.F" per slot whose vendor
//                               id the program's scan read as present, then the map requests
//                               and the memory regions each made (TestCardDevice::MapLog)
#pragma once
#include <memory>

#include "platform/HostPlatform.h"
#include "vm/TestCardDevice.h"

namespace rz::vmtest {

// A chip that the shipped RZFLASH.CFG lists, on a board of the maker.
CardIds TestCardIds();

std::unique_ptr<platform::HostPlatform> WithTestCard(std::unique_ptr<platform::HostPlatform> host);

}  // namespace rz::vmtest
