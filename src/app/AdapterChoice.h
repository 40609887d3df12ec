// SPDX-License-Identifier: GPL-3.0-or-later
// Which display adapter of the scan a run works on. Adapter 0 is the card every later step reads
// and writes; a person may name another by its bus address, which then takes adapter 0's place.
// A command that writes or compares a card's BIOS does not guess among several adapters.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hw/AdapterScan.h"

namespace rz::app {

// A bus address as the `adapters` listing shows it: "01:00" is bus 1, device 0.
struct BusAddress {
  std::uint8_t bus = 0;
  std::uint8_t device = 0;
  friend bool operator==(const BusAddress&, const BusAddress&) = default;
};

// "BB:DD", two hexadecimal digits on each side (upper or lower case), also as lspci writes it
// ("BB:DD.0", "0000:BB:DD.0"); nullopt for any other text.
std::optional<BusAddress> ParseBusAddress(std::string_view text);

// "01:00  ids 0x10DE 0x0191  subsystem 0x1E5A 0x34C7": the address and the ids that tell cards
// apart, in the form of the adapter listing.
std::string AdapterSummary(const hw::PciAdapter& adapter);

// What the window's status says before a flash when there are several adapters: which card it
// works on. No longer than the window's busy status, so that it fits the status strip.
std::string WorkingCardStatus(const hw::PciAdapter& adapter);

enum class Choosing {
  FirstUnlessNamed,  // without a named adapter, adapter 0 of the scan (info)
  // Without a named adapter, adapter 0 of the scan only when the scan holds one card the program
  // could work on: NVIDIA adapters count one each, all ATI adapters together one (the vendor
  // tool picks among them), others none (save, verify, flash).
  NamedWhenSeveral,
};

struct AdapterChoice {
  // The scan with the chosen adapter first and the others after it in scan order; the scan as it
  // came when nothing was chosen or the choice was refused.
  hw::AdapterList adapters;
  // Why no adapter was chosen (a refusal the person can mend lists the adapters found after it,
  // one a line); nullopt when one was.
  std::optional<std::string> refusal;
  // A refusal the command line can mend (name an adapter, or one that exists) is a usage error;
  // the others are refusals of the card.
  bool usage = false;
};

// How many cards of the list a command could work on, as NamedWhenSeveral counts them.
std::uint32_t CardsToChooseFrom(const hw::AdapterList& adapters);

// Chooses the card among `scanned`: the adapter at `named` when one is named, else as `how` says.
// The vendor flash tool numbers ATI cards its own way and is always handed the same number, so an
// ATI card after another ATI card of the scan is refused: the tool would act on the other card.
AdapterChoice ChooseAdapter(const hw::AdapterList& scanned, const std::optional<BusAddress>& named,
                            Choosing how);

}  // namespace rz::app
