// SPDX-License-Identifier: GPL-3.0-or-later
// The window's start-up when the scan finds no card of the maker but a card that lost its BIOS:
// the person is offered to flash a file onto it, through the same flow as `recover`.
#pragma once
#include <string>

#include "hw/AdapterScan.h"

namespace rz::app {

class Program;

inline constexpr const char* kRecoveryOfferStart = "A graphics card that needs recovery was found: ";
inline constexpr const char* kRecoveryOfferEnd = ". Do you want to flash a BIOS file onto it?";

// The question about the card `adapter`.
std::string RecoveryOffer(const hw::PciAdapter& adapter);

// DetectCard, except when the scan finds no adapter and a card needs recovery (the first of them
// when there are several: the question names it): on Yes and a file chosen in the open dialog,
// that card takes adapter 0's place and the file is flashed onto it as `recover` flashes it.
// No, or no file, goes on as DetectCard does without a card.
bool DetectCardOfferingRecovery(Program& program);

}  // namespace rz::app
