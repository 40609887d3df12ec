// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated machine's interrupt hook: requests from outside delivered after exactly the named
// numbers of driver requests and mapped accesses, read from a scenario's faults, and taken by the
// emulated hold (held during a hold, counted as unheld outside one) or by a front end's own.
#include <gtest/gtest.h>

#include <vector>

#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;
using platform::InterruptKind;

// One request of each kind the machine counts, in turn, `count` times.
void MakeRequests(sim::Machine& m, std::uint64_t count) {
  std::uint32_t linear = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    platform::PortAccessRequest r;
    r.port = 0xCF8;
    switch (i % 4) {
      case 0: m.PortRequest(r); break;
      case 1: m.Map(0xC0000000u, 0x1000, linear); break;
      case 2: m.Read8(linear); break;
      default: m.Unmap(linear); break;
    }
  }
}

TEST(MachineInterruptHook, DeliversAfterExactlyTheNamedRequests) {
  sim::Machine m;
  std::vector<std::uint64_t> seen;
  // Unordered, a repeated moment, and one that never comes.
  m.InterruptAfter({6, 0, 6, 3, 1000}, [&] { seen.push_back(m.Requests()); });
  MakeRequests(m, 10);
  // Delivered before request k+1 is carried out: k requests were counted before it.
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{0, 3, 6, 6}));
  EXPECT_EQ(m.Requests(), 10u);
  // Moments already past are dropped when the hook is set again.
  seen.clear();
  m.InterruptAfter({2, 12}, [&] { seen.push_back(m.Requests()); });
  MakeRequests(m, 4);
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{12}));
}

struct HookCase {
  const char* name;
  json faults;
  std::vector<std::uint64_t> holdFromTo;  // a hold open between these request counts, if any
  std::vector<InterruptKind> held;
  std::uint64_t unheld;
};

class ScenarioInterrupts : public ::testing::TestWithParam<HookCase> {};

TEST_P(ScenarioInterrupts, ReachTheEmulatedHold) {
  const HookCase& c = GetParam();
  SimHarness h(json{{"faults", c.faults}});
  sim::EmulatedInterruptHold& hold = h.platform->Interrupts();
  EXPECT_EQ(h.platform->Seams().interrupts, &hold);
  hold.SetNotice("wait");
  for (std::uint64_t n = 0; n < 20; ++n) {
    if (c.holdFromTo.size() == 2 && n == c.holdFromTo[0]) hold.Begin();
    if (c.holdFromTo.size() == 2 && n == c.holdFromTo[1]) hold.End();
    MakeRequests(h.Machine(), 1);
  }
  EXPECT_EQ(hold.Held(), c.held);
  EXPECT_EQ(hold.Unheld(), c.unheld);
  EXPECT_EQ(hold.Arrived(), !c.held.empty());
  EXPECT_EQ(hold.NoticesWritten().size(), c.held.empty() ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ScenarioInterrupts,
    ::testing::Values(
        HookCase{"NoneNamed", json::object(), {5, 10}, {}, 0},
        HookCase{"OneOutsideTheHold", {{"interrupt_after_requests", 2}}, {5, 10}, {}, 1},
        HookCase{"OneInsideIsSigint",
                 {{"interrupt_after_requests", "0x7"}}, {5, 10}, {InterruptKind::Interrupt}, 0},
        HookCase{"ManyOfTheNamedKind",
                 {{"interrupt_after_requests", {4, 5, 9, 10}}, {"interrupt_signal", "SIGTERM"}},
                 {5, 10},
                 {InterruptKind::Terminate, InterruptKind::Terminate},
                 2},
        HookCase{"HangUp", {{"interrupt_after_requests", {0}}, {"interrupt_signal", "SIGHUP"}},
                 {0, 1}, {InterruptKind::HangUp}, 0},
        HookCase{"Quit", {{"interrupt_after_requests", {3, 7}}, {"interrupt_signal", "SIGQUIT"}},
                 {5, 10}, {InterruptKind::Quit}, 1},
        // A stop is no request: neither held nor counted, inside the hold or outside it.
        HookCase{"StopIsNoRequest",
                 {{"interrupt_after_requests", {3, 7}}, {"interrupt_signal", "SIGSTOP"}},
                 {5, 10}, {}, 0}),
    [](const auto& row) { return std::string(row.param.name); });

// A front end's own hold and delivery replace the emulated ones.
TEST(ScenarioInterrupts, GoToTheHoldAFrontEndChose) {
  SimHarness h(json{{"faults", {{"interrupt_after_requests", {1, 2}}}}});
  sim::EmulatedInterruptHold own(h.Machine());
  std::vector<InterruptKind> delivered;
  h.platform->UseInterruptHold(own, [&](InterruptKind k) { delivered.push_back(k); });
  EXPECT_EQ(h.platform->Seams().interrupts, &own);
  MakeRequests(h.Machine(), 4);
  EXPECT_EQ(delivered.size(), 2u);
  EXPECT_EQ(h.platform->Interrupts().Unheld(), 0u);
}

}  // namespace
}  // namespace rz::test
