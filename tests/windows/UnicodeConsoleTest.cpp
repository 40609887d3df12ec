// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli writing to a console whose code page is an old one (437): a file name in Cyrillic
// shows as itself, and the console has its own code page back when the program has ended.
#include <gtest/gtest.h>

#include <string>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "UnicodeNames.h"
#include "WindowsFiles.h"
#include "host/PrivateFolder.h"
#include "host/windows/OwnedHandles.h"

namespace rz::test {
namespace {

using namespace winfiles;

// What the console probe reports after running `command` in a console of its own.
std::string InConsole(const std::string& command, const std::string& resultFile) {
  ScopedEnvironment probeCommand("RZ_PROBE_COMMAND", command);
  std::wstring line = L"\"" + SystemWide(ConsoleProbePath()) + L"\" \"" +
                      SystemWide(resultFile) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
    return "the probe did not start";
  const platform::win::OwnedHandle process(info.hProcess);
  ::CloseHandle(info.hThread);
  ::WaitForSingleObject(process.get(), INFINITE);
  return ReadWide(resultFile);
}

TEST(UnicodeConsole, ANameShowsAsItselfAndTheCodePageComesBack) {
  platform::PrivateFolder dir("rz-console-");
  // A transcript in a folder that is not there: the program names it in its message.
  const std::string transcript = dir.File(kCyrillicName.stem) + "\\" + kChineseName.File();
  const std::string shown =
      InConsole(Quoted(CliPath()) + " --machine nvidia-spi --transcript " + Quoted(transcript) +
                    " info",
                dir.File("result.txt"));
  EXPECT_EQ(shown.rfind("exit 1\ncodepage 437\n", 0), 0u) << shown;
  EXPECT_NE(shown.find("rzflash-cli: cannot write the transcript " + transcript),
            std::string::npos)
      << shown;
}

}  // namespace
}  // namespace rz::test
