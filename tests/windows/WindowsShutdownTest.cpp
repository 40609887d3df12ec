// SPDX-License-Identifier: GPL-3.0-or-later
// The restart after a flash on the real process token, with the restart request itself replaced:
// these tests never restart anything. And the shell's "open" for the help file.
#include <gtest/gtest.h>

#include <ostream>
#include <fstream>
#include <optional>
#include <vector>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "backends/windows/WindowsShellOpen.h"
#include "backends/windows/WindowsShutdown.h"
#include "commands/Restart.h"
#include "host/PrivateFolder.h"
#include "host/windows/OwnedHandles.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

using platform::win::OwnedHandle;

LUID ShutdownPrivilege() {
  LUID luid{};
  ::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid);
  return luid;
}

// Whether this process's token has the shutdown privilege enabled; nullopt when it has none.
std::optional<bool> ShutdownPrivilegeEnabled() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
  const OwnedHandle owned(token);
  std::vector<std::uint8_t> buffer(8192);
  DWORD size = 0;
  if (!::GetTokenInformation(owned.get(), TokenPrivileges, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &size))
    return std::nullopt;
  const auto* list = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  const LUID wanted = ShutdownPrivilege();
  for (DWORD i = 0; i < list->PrivilegeCount; ++i) {
    const auto& p = list->Privileges[i];
    if (p.Luid.LowPart == wanted.LowPart && p.Luid.HighPart == wanted.HighPart)
      return (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  return std::nullopt;
}

void DisableShutdownPrivilege() {
  HANDLE token = nullptr;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  const OwnedHandle owned(token);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = ShutdownPrivilege();
  privileges.Privileges[0].Attributes = 0;
  ASSERT_TRUE(::AdjustTokenPrivileges(owned.get(), FALSE, &privileges, 0, nullptr, nullptr));
}

struct Request {
  std::uint32_t flags;
  std::uint32_t reason;
  std::optional<bool> privilegeEnabled;  // at the moment of the request
};

struct RestartCase {
  const char* name;
  bool answerYes;
  bool accepted;  // what the system answers the request
};

// Test names show the case by its name.
void PrintTo(const RestartCase& c, std::ostream* os) { *os << c.name; }

class Restart : public ::testing::TestWithParam<RestartCase> {};

TEST_P(Restart, EnablesTheShutdownPrivilegeBeforeTheForcedRestart) {
  const RestartCase& c = GetParam();
  ASSERT_TRUE(ShutdownPrivilegeEnabled().has_value()) << "the token has the privilege";
  DisableShutdownPrivilege();
  ASSERT_EQ(ShutdownPrivilegeEnabled(), false);
  std::vector<Request> requests;
  platform::WindowsShutdown shutdown([&](std::uint32_t flags, std::uint32_t reason) {
    requests.push_back({flags, reason, ShutdownPrivilegeEnabled()});
    return c.accepted;
  });
  ui::ScriptedUi ui;
  ui.QueueAnswer(c.answerYes);
  commands::OfferRestart(ui, shutdown);
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], commands::kRestartQuestion);
  if (!c.answerYes) {
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(ShutdownPrivilegeEnabled(), false) << "no token call after No";
    return;
  }
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].flags, platform::kEwxReboot | platform::kEwxForce);
  EXPECT_EQ(requests[0].reason, 0u);
  EXPECT_EQ(requests[0].privilegeEnabled, true);
}

INSTANTIATE_TEST_SUITE_P(Answers, Restart,
                         ::testing::Values(RestartCase{"Yes", true, true},
                                           RestartCase{"YesButRefused", true, false},
                                           RestartCase{"No", false, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Restart, ThisSystemNeedsThePrivilegeStep) {
  platform::WindowsShutdown shutdown([](std::uint32_t, std::uint32_t) { return false; });
  EXPECT_EQ(shutdown.GetVersion() & commands::kOlderFamilyVersionBit, 0u)
      << "an NT-family system";
  EXPECT_FALSE(shutdown.ExitWindows(6, 0));
}

TEST(ShellOpen, OpensTheDocumentWithItsProgram) {
  platform::PrivateFolder dir("rz-shell-");
  const std::string program = dir.File("viewer.exe");
  ASSERT_TRUE(::CopyFileA(VendorToolStandinPath().c_str(), program.c_str(), TRUE));
  const std::string log = dir.File("log.txt");
  ScopedEnvironment logged("RZ_STANDIN_LOG", log);
  platform::WindowsShellOpen shell;
  shell.Open(program);
  EXPECT_GT(shell.LastResult(), 32u);
  shell.Open(dir.File("missing.chm"));
  EXPECT_LE(shell.LastResult(), 32u) << "a missing document opens nothing";
  // The viewer runs detached: wait for the line it writes when it starts, as long as that takes.
  for (int i = 0; i < 6000 && ::GetFileAttributesA(log.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
    ::Sleep(10);
  std::ifstream in(log, std::ios::binary);
  std::string line;
  EXPECT_TRUE(std::getline(in, line)) << "the program was started";
}

}  // namespace
}  // namespace rz::test
