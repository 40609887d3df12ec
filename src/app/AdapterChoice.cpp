// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AdapterChoice.h"

#include <cstdio>

#include "commands/AdapterListing.h"
#include "commands/History.h"
#include "hw/PciConfig.h"

namespace rz::app {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::uint8_t> HexByte(std::string_view two) {
  const int high = HexDigit(two[0]);
  const int low = HexDigit(two[1]);
  if (high < 0 || low < 0) return std::nullopt;
  return static_cast<std::uint8_t>(high * 16 + low);
}

// The adapters found, one a line under the refusal's first line, each with the road the program
// would take to it, so that a person sees which of them can be read and flashed.
std::string AdapterLines(const hw::AdapterList& list) {
  std::string lines;
  for (std::uint32_t i = 0; i < list.count && i < hw::kMaxAdapters; ++i) {
    const hw::PciAdapter& a = list.adapters[i];
    lines += "\n  " + AdapterSummary(a) +
             "  road: " + commands::CardRoadName(commands::RoadFor(a.VendorId()));
  }
  return lines;
}

// The place of the scan's first ATI card before place `end`; `end` when there is none.
std::uint32_t FirstAtiCard(const hw::AdapterList& list, std::uint32_t end) {
  for (std::uint32_t i = 0; i < end; ++i)
    if (list.adapters[i].VendorId() == hw::kVendorAti) return i;
  return end;
}

AdapterChoice Refuse(const hw::AdapterList& scanned, std::string why, bool usage) {
  return AdapterChoice{scanned, std::move(why), usage};
}

}  // namespace

std::optional<BusAddress> ParseBusAddress(std::string_view text) {
  // lspci's spellings of the same card: function 0, in PCI domain 0.
  if (text.starts_with("0000:") && text.size() > 5) text.remove_prefix(5);
  if (text.ends_with(".0")) text.remove_suffix(2);
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  const auto bus = HexByte(text.substr(0, 2));
  const auto device = HexByte(text.substr(3, 2));
  if (!bus || !device) return std::nullopt;
  return BusAddress{*bus, *device};
}

std::string AdapterSummary(const hw::PciAdapter& a) {
  char text[96];
  std::snprintf(text, sizeof text, "%s  ids 0x%04X 0x%04X  subsystem 0x%04X 0x%04X",
                commands::BusText(a.bus, a.device).c_str(), a.VendorId(), a.DeviceId(),
                a.SubsystemVendorId(), a.SubsystemId());
  return text;
}

// Each NVIDIA adapter counts, since the program programs it through its own registers; all ATI
// adapters count as one, since the vendor flash tool and not the program decides which of them it
// works on (on boards with two graphics chips they are one card); an adapter of neither vendor
// can be neither read nor flashed.
std::uint32_t CardsToChooseFrom(const hw::AdapterList& list) {
  std::uint32_t nvidia = 0;
  bool ati = false;
  for (std::uint32_t i = 0; i < list.count && i < hw::kMaxAdapters; ++i) {
    nvidia += list.adapters[i].VendorId() == hw::kVendorNvidia ? 1 : 0;
    ati = ati || list.adapters[i].VendorId() == hw::kVendorAti;
  }
  return nvidia + (ati ? 1 : 0);
}

std::string WorkingCardStatus(const hw::PciAdapter& a) { return "Card " + AdapterSummary(a); }

AdapterChoice ChooseAdapter(const hw::AdapterList& scanned, const std::optional<BusAddress>& named,
                            Choosing how) {
  const std::uint32_t count = scanned.count < hw::kMaxAdapters ? scanned.count : hw::kMaxAdapters;
  if (!named) {
    if (how == Choosing::NamedWhenSeveral && CardsToChooseFrom(scanned) > 1)
      return Refuse(scanned,
                    std::to_string(count) +
                        " display adapters were found; name the card to work on with --adapter "
                        "BB:DD:" +
                        AdapterLines(scanned),
                    true);
    return AdapterChoice{scanned, std::nullopt, false};
  }
  const std::string address = commands::BusText(named->bus, named->device);
  std::uint32_t at = 0;
  while (at < count && BusAddress{scanned.adapters[at].bus, scanned.adapters[at].device} != *named)
    ++at;
  if (at == count)
    return Refuse(scanned,
                  "--adapter " + address + " names no display adapter found" +
                      (count == 0 ? "; no display adapter of the maker or of ATI was found"
                                  : "; the adapters found:" + AdapterLines(scanned)),
                  true);
  const hw::PciAdapter& chosen = scanned.adapters[at];
  const std::uint32_t firstAti = FirstAtiCard(scanned, at);
  if (chosen.VendorId() == hw::kVendorAti && firstAti < at)
    return Refuse(
        scanned,
        "the ATI card at " + address + " cannot be worked on while the ATI card at " +
            commands::BusText(scanned.adapters[firstAti].bus, scanned.adapters[firstAti].device) +
            " comes before it in the scan: the vendor flash tool is always handed its "
            "first card and would act on that one",
        false);
  AdapterChoice choice{scanned, std::nullopt, false};
  // The chosen adapter moves to the front; those before it move up one place each.
  for (std::uint32_t i = at; i > 0; --i) choice.adapters.adapters[i] = scanned.adapters[i - 1];
  choice.adapters.adapters[0] = chosen;
  return choice;
}

}  // namespace rz::app
