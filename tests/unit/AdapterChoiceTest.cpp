// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the card among the scan's adapters: the bus address a person types, the list
// with the chosen card in adapter 0's place, and the refusals with the adapters they list.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/AdapterChoice.h"
#include "ui/Ui.h"

namespace rz::app {
namespace {

TEST(BusAddress, ReadsTwoHexDigitsEachSideInEitherCase) {
  const std::pair<const char*, std::optional<BusAddress>> cases[] = {
      {"01:00", BusAddress{0x01, 0x00}}, {"0B:1F", BusAddress{0x0B, 0x1F}},
      {"0b:1f", BusAddress{0x0B, 0x1F}}, {"Ff:aA", BusAddress{0xFF, 0xAA}},
      {"1:00", std::nullopt},   {"01:0", std::nullopt},    {"001:00", std::nullopt},
      {"01-00", std::nullopt},  {"0g:00", std::nullopt},   {"01:0x", std::nullopt},
      {" 1:00", std::nullopt},  {"", std::nullopt},        {"01::0", std::nullopt},
      // lspci's forms of function 0 in domain 0, and nothing else of them.
      {"01:00.0", BusAddress{0x01, 0x00}}, {"0000:02:1f.0", BusAddress{0x02, 0x1F}},
      {"0000:01:00", BusAddress{0x01, 0x00}}, {"01:00.1", std::nullopt},
      {"0001:01:00.0", std::nullopt}, {"01:00.00", std::nullopt}, {"0000:", std::nullopt},
      {".0", std::nullopt}};
  for (const auto& [text, address] : cases) EXPECT_EQ(ParseBusAddress(text), address) << text;
}

constexpr std::uint16_t kNv = 0x10DE, kAti = 0x1002, kIntel = 0x8086;

hw::PciAdapter Card(std::uint8_t bus, std::uint16_t vendor, std::uint16_t subsystem) {
  return hw::PciAdapter{bus, 0, vendor | 0x01910000u, 0x1E5Au | std::uint32_t{subsystem} << 16, 0};
}

struct ChoiceCase {
  const char* name;
  std::vector<hw::PciAdapter> scan;
  std::optional<BusAddress> named;
  Choosing how;
  std::vector<unsigned> buses;  // the list after the choice, by bus
  const char* refusal;          // its first line; null when a card was chosen
  bool usage;
};

const char* const kTwoFound =
    "2 display adapters were found; name the card to work on with --adapter BB:DD:";
const auto kWrite = Choosing::NamedWhenSeveral;
const auto kInfo = Choosing::FirstUnlessNamed;

const ChoiceCase kChoices[] = {
    {"OneCardOtherNamed", {Card(1, kNv, 1)}, BusAddress{2, 0}, kWrite, {1},
     "--adapter 02:00 names no display adapter found; the adapters found:", true},
    {"NoCardNamed", {}, BusAddress{1, 0}, kInfo, {},
     "--adapter 01:00 names no display adapter found; no display adapter of the maker or of ATI "
     "was found", true},
    {"TwoCardsNothingNamedForAWrite", {Card(1, kNv, 1), Card(2, kNv, 2)}, std::nullopt, kWrite,
     {1, 2}, kTwoFound, true},
    {"TwoCardsNothingNamedForInfo", {Card(1, kNv, 1), Card(2, kNv, 2)}, std::nullopt, kInfo,
     {1, 2}, nullptr, false},
    {"SecondNamed", {Card(1, kNv, 1), Card(2, kNv, 2)}, BusAddress{2, 0}, kWrite, {2, 1}, nullptr,
     false},
    {"LastOfFourFirstOthersKeepTheirOrder",
     {Card(1, kNv, 1), Card(2, kNv, 2), Card(3, kNv, 3), Card(4, kNv, 4)}, BusAddress{4, 0},
     kWrite, {4, 1, 2, 3}, nullptr, false},
    {"DeviceMustMatchToo", {Card(1, kNv, 1), Card(2, kNv, 2)}, BusAddress{2, 1}, kWrite, {1, 2},
     "--adapter 02:01 names no display adapter found; the adapters found:", true},
    // All ATI adapters are one card to choose: the vendor tool picks among them (a board of two
    // graphics chips shows two). Named, only the first ATI adapter is the tool's.
    {"TwoAtiAdaptersNothingNamed", {Card(1, kAti, 0x28), Card(2, kAti, 0x28)}, std::nullopt,
     kWrite, {1, 2}, nullptr, false},
    {"NvidiaAndAtiNothingNamed", {Card(1, kNv, 1), Card(2, kAti, 2)}, std::nullopt, kWrite,
     {1, 2}, kTwoFound, true},
    {"AtiCardAfterAnNvidiaCard", {Card(1, kNv, 1), Card(2, kAti, 2)}, BusAddress{2, 0}, kWrite,
     {2, 1}, nullptr, false},
    {"SecondAtiCard", {Card(1, kAti, 1), Card(2, kNv, 2), Card(3, kAti, 3)}, BusAddress{3, 0},
     kInfo, {1, 2, 3},
     "the ATI card at 03:00 cannot be worked on while the ATI card at 01:00 comes before it in "
     "the scan: the vendor flash tool is always handed its first card and would act on that one",
     false},
    {"NvidiaCardAfterTwoAtiCards", {Card(1, kAti, 1), Card(2, kAti, 2), Card(3, kNv, 3)},
     BusAddress{3, 0}, kWrite, {3, 1, 2}, nullptr, false},
    // An adapter of neither vendor can be neither read nor flashed: it is no card to choose.
    {"OtherVendorBeforeNvidia", {Card(1, kIntel, 1), Card(2, kNv, 2)}, std::nullopt, kWrite,
     {1, 2}, nullptr, false},
    {"TwoNvidiaAndOtherVendor", {Card(1, kNv, 1), Card(2, kIntel, 2), Card(3, kNv, 3)},
     std::nullopt, kWrite, {1, 2, 3},
     "3 display adapters were found; name the card to work on with --adapter BB:DD:", true},
};

class Choice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(Choice, PutsTheChosenCardFirstOrRefuses) {
  const ChoiceCase& c = GetParam();
  hw::AdapterList scan;
  for (const auto& a : c.scan) scan.adapters[scan.count++] = a;
  const AdapterChoice choice = ChooseAdapter(scan, c.named, c.how);
  std::vector<unsigned> buses;
  for (std::uint32_t i = 0; i < choice.adapters.count; ++i)
    buses.push_back(choice.adapters.adapters[i].bus);
  EXPECT_EQ(buses, c.buses);
  ASSERT_EQ(choice.refusal.has_value(), c.refusal != nullptr) << choice.refusal.value_or("");
  if (!c.refusal) return;
  EXPECT_EQ(choice.usage, c.usage);
  const std::string& text = *choice.refusal;
  EXPECT_EQ(text.substr(0, text.find('\n')), c.refusal);
  // A refusal that is the person's to mend lists every adapter found, one a line, in scan order.
  if (!c.usage || c.scan.empty()) return;
  std::string lines;
  for (const auto& a : c.scan)
    lines += "\n  " + AdapterSummary(a) + "  road: " +
             (a.VendorId() == kNv ? "programmed" : a.VendorId() == kAti ? "vendor tool" : "none");
  EXPECT_EQ(text.substr(text.find('\n')), lines);
}

INSTANTIATE_TEST_SUITE_P(Scans, Choice, ::testing::ValuesIn(kChoices),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(AdapterSummary, GivesTheAddressAndIdsAsTheListingDoes) {
  const hw::PciAdapter a{0x0B, 0x1F, 0x019110DEu, 0x34C81E5Au, 0};
  EXPECT_EQ(AdapterSummary(a), "0B:1F  ids 0x10DE 0x0191  subsystem 0x1E5A 0x34C8");
  // The window shows it on its status strip, where the busy text must fit as well.
  EXPECT_EQ(WorkingCardStatus(a), "Card 0B:1F  ids 0x10DE 0x0191  subsystem 0x1E5A 0x34C8");
  EXPECT_LE(WorkingCardStatus(a).size(), std::string(ui::kStatusBusy).size());
}

}  // namespace
}  // namespace rz::app
