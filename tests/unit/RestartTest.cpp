// SPDX-License-Identifier: GPL-3.0-or-later
// The restart offer: the question, and on Yes the privilege (NT family only) before the request.
#include <gtest/gtest.h>

#include "commands/Restart.h"
#include "sim/seams/Recorders.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

TEST(OfferRestart, AsksThenEnablesPrivilegeOnlyOnNtAndRequestsForcedRestart) {
  using Calls = std::vector<std::string>;
  struct Case {
    const char* what;
    bool yes;
    std::uint32_t version;
    bool refuse;
    Calls calls;
  } cases[] = {
      {"no", false, 0x0A280105, false, {}},
      {"yes on NT", true, 0x0A280105, false, {"GetVersion", "EnablePrivilege", "ExitWindows 6 0"}},
      {"yes on the older family", true, 0xC0000A04, false, {"GetVersion", "ExitWindows 6 0"}},
      {"yes, refused", true, 0x0A280105, true, {"GetVersion", "EnablePrivilege", "ExitWindows 6 0"}},
  };
  for (const auto& c : cases) {
    ui::ScriptedUi ui;
    sim::RecordingShutdown shutdown;
    shutdown.version = c.version;
    shutdown.refuse = c.refuse;
    ui.QueueAnswer(c.yes);
    commands::OfferRestart(ui, shutdown);
    EXPECT_EQ(shutdown.calls, c.calls) << c.what;
    // The question is the only thing the user sees, whatever happens after it.
    ASSERT_EQ(ui.Lines().size(), 1u) << c.what;
    EXPECT_EQ(ui.Lines()[0], std::string("yesno -> ") + (c.yes ? "yes" : "no") +
                                 ": You must restart your system to take new changes.\\n"
                                 "Do you want to restart now ?")
        << c.what;
  }
}

}  // namespace
}  // namespace rz::test
