// SPDX-License-Identifier: GPL-3.0-or-later
// Process facilities on Windows: the maker's OS code with and without its library, the program's
// path, the current and scratch folders, terminals, and the words for a driver that will not come up.
#include <gtest/gtest.h>

#include <ostream>
#include <cstdio>
#include <fstream>
#include <string>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "backends/windows/WindowsSystem.h"
#include "backends/windows/driver/DriverAccessProblem.h"
#include "backends/windows/driver/OsVersionCode.h"
#include "base/Paths.h"
#include "host/PrivateFolder.h"
#include "platform/HostPlatform.h"

namespace rz::test {
namespace {

bool FolderExists(const std::string& path) {
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the machine is 64-bit, asked the older way: a 64-bit program, or a 32-bit one in WOW64.
bool Machine64() {
  BOOL wow = FALSE;
  return sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &wow) && wow);
}

enum class Library { Standin, NotALibrary, Absent };

struct OsCase {
  const char* name;
  Library library;
  std::optional<std::string> answer;  // what the stand-in's GetOSVer returns (hexadecimal)
  std::optional<std::uint32_t> expected;  // none: the machine's own code
};

// Test names show the case by its name.
void PrintTo(const OsCase& c, std::ostream* os) { *os << c.name; }

class OsVersion : public ::testing::TestWithParam<OsCase> {};

TEST_P(OsVersion, FromTheMakersLibraryElseFromTheMachine) {
  const OsCase& c = GetParam();
  platform::PrivateFolder folder("rz-library-");
  const std::string library = folder.File(platform::kMakerLibraryName);
  if (c.library == Library::Standin) {
    ASSERT_TRUE(::CopyFileA(OsVersionStandinPath().c_str(), library.c_str(), TRUE));
  }
  if (c.library == Library::NotALibrary) std::ofstream(library, std::ios::binary) << "MZ no library";
  ScopedEnvironment answer("RZ_STANDIN_OSVER", c.answer);
  platform::WindowsSystem system({folder.Path() + "\\", ""});
  const std::uint32_t own = Machine64() ? 0x20010064u : 0u;
  EXPECT_EQ(system.GetOSVer(), c.expected.value_or(own));
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, OsVersion,
    ::testing::Values(OsCase{"SixtyFourBitCode", Library::Standin, "20070002", 0x20070002u},
                      OsCase{"OtherCode", Library::Standin, "30001", 0x30001u},
                      OsCase{"ZeroIsTheLibrarysAnswer", Library::Standin, "0", 0u},
                      OsCase{"FileThatIsNoLibrary", Library::NotALibrary, std::nullopt, std::nullopt},
                      OsCase{"NoLibrary", Library::Absent, std::nullopt, std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(OsVersion, MachineIs64BitAgreesWithTheSystem) { EXPECT_EQ(platform::MachineIs64Bit(), Machine64()); }

TEST(WindowsSystem, ExecutablePathIsThisProgram) {
  platform::WindowsSystem system;
  const std::string path = system.ExecutablePath();
  EXPECT_EQ(FileNameOf(path), "rz_windows_tests.exe");
  EXPECT_TRUE(FolderExists(FolderOf(path)));
}

TEST(WindowsSystem, CurrentFolderCanBeChangedToFoldersOnly) {
  platform::WindowsSystem system;
  const std::string before = system.GetCurrentDirectory();
  ASSERT_FALSE(before.empty());
  platform::PrivateFolder dir("rz-current-");
  EXPECT_TRUE(system.SetCurrentDirectory(dir.Path()));
  EXPECT_EQ(system.GetCurrentDirectory(), dir.Path());
  for (const std::string& refused : {std::string(), dir.File("missing")})
    EXPECT_FALSE(system.SetCurrentDirectory(refused)) << refused;
  EXPECT_EQ(system.GetCurrentDirectory(), dir.Path());
  EXPECT_TRUE(system.SetCurrentDirectory(before));
}

TEST(WindowsSystem, ScratchFolderIsMadeOnceAndRemovedWithItsContent) {
  platform::PrivateFolder root("rz-temp-");
  std::string scratch;
  {
    platform::WindowsSystem system({"", root.Path()});
    scratch = system.ScratchDirectory();
    ASSERT_FALSE(scratch.empty());
    EXPECT_EQ(FolderOf(scratch), root.Path() + "\\");
    EXPECT_TRUE(FolderExists(scratch));
    EXPECT_EQ(system.ScratchDirectory(), scratch);
    std::ofstream(scratch + "\\temp.rom") << "extracted";
  }
  EXPECT_FALSE(FolderExists(scratch));
}

TEST(WindowsSystem, NoScratchFolderWhereNoneCanBeMade) {
  platform::PrivateFolder root("rz-temp-");
  platform::WindowsSystem system({"", root.File("missing")});
  EXPECT_EQ(system.ScratchDirectory(), "");
}

TEST(Terminal, OnlyAConsoleIsATerminal) {
  platform::PrivateFolder dir("rz-terminal-");
  std::FILE* file = std::fopen(dir.File("plain").c_str(), "wb");
  std::FILE* null = std::fopen("NUL", "rb");
  ASSERT_NE(file, nullptr);
  ASSERT_NE(null, nullptr);
  EXPECT_FALSE(platform::IsTerminal(file));
  EXPECT_FALSE(platform::IsTerminal(null)) << "the null device is a character device, no console";
  EXPECT_FALSE(platform::IsTerminal(nullptr));
  std::fclose(file);
  std::fclose(null);
}

struct ProblemCase {
  const char* name;
  bool found;
  std::optional<bool> elevated;
  std::vector<std::string> mentioned;
  std::vector<std::string> absent;
};

// Test names show the case by its name.
void PrintTo(const ProblemCase& c, std::ostream* os) { *os << c.name; }

class AccessProblem : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(AccessProblem, SaysWhatTheUserCanDo) {
  const ProblemCase& c = GetParam();
  platform::DriverAccessFacts facts{"C:\\Tools\\ZPCIDrv64.sys", "\\\\.\\ZPCIDrv64", c.found, c.elevated};
  const std::string text = platform::DescribeDriverAccessProblem(facts);
  EXPECT_NE(text.find("C:\\Tools\\ZPCIDrv64.sys"), std::string::npos) << text;
  EXPECT_NE(text.find("\\\\.\\ZPCIDrv64"), std::string::npos) << text;
  for (const auto& m : c.mentioned) EXPECT_NE(text.find(m), std::string::npos) << m << "\n" << text;
  for (const auto& a : c.absent) EXPECT_EQ(text.find(a), std::string::npos) << a << "\n" << text;
  EXPECT_NE(text.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(
    Facts, AccessProblem,
    ::testing::Values(
        ProblemCase{"MissingFileNoRights", false, false,
                    {"is missing", "Run as administrator"}, {"refused"}},
        ProblemCase{"FileThereNoRights", true, false, {"Run as administrator"}, {"is missing"}},
        ProblemCase{"FileThereWithRights", true, true, {"refused"}, {"is missing", "Run as"}},
        ProblemCase{"MissingFileWithRights", false, true, {"is missing"}, {"refused", "Run as"}},
        ProblemCase{"RightsUnknown", true, std::nullopt, {"Administrator rights are needed"},
                    {"refused", "is missing"}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace rz::test
