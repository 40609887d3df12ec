// The transcript file: written whole into a regular file through a replacement in its folder, and
// refused, with the reason, where the save command's FILE would be refused too or where it would
// replace one of the program's own files; a refused target is left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/TranscriptFile.h"
#include "support/SimHarness.h"
#include "support/SpecialFiles.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TranscriptCase {
  const char* name;
  std::string target;  // below the test folder, made by the test as it says
  const char* reason;  // part of the reason; null: written
};

TEST(CliTranscriptFile, IsWrittenIntoRegularFilesOfTheUserOnly) {
  TempDir dir;
  const auto files = platform::MakeHostFileSystem();
  dir.Write("old.txt", "old");
  dir.Write("program/RZFLASH.CFG", "[cfg]");
  fs::create_directory(dir.Path() / "folder");
  const bool pipe = MakeNamedPipe(dir.File("fifo"));
  const std::vector<commands::ProgramPlace> own = {{dir.Folder() + "program/", ""}};
  const TranscriptCase cases[] = {
      {"replaces a file", "old.txt", nullptr},
      {"makes a file", "new.txt", nullptr},
      {"a folder", "folder", "it is a folder"},
      {"a folder that is not there", "missing/t.txt", "no new file can be made in its folder"},
      {"an own file", "program/RZFLASH.CFG", "one of the program's own files"},
      {"a named pipe", "fifo", "not a regular file"},
  };
  for (const TranscriptCase& c : cases) {
    if (std::string(c.target) == "fifo" && !pipe) continue;
    const std::string path = dir.File(c.target);
    const std::string before = fs::is_regular_file(path) ? Read(path) : "";
    const auto why = cli::WriteTranscriptFile(*files, own, path, "line\nexit 0\n");
    if (!c.reason) {
      EXPECT_FALSE(why) << c.name << ": " << why.value_or("");
      EXPECT_EQ(Read(path), "line\nexit 0\n") << c.name;
    } else {
      ASSERT_TRUE(why) << c.name;
      EXPECT_NE(why->find(c.reason), std::string::npos) << c.name << ": " << *why;
      if (fs::is_regular_file(path)) {
        EXPECT_EQ(Read(path), before) << c.name;
      }
    }
  }
  EXPECT_TRUE(fs::is_directory(dir.Path() / "folder"));
  if (pipe) {
    EXPECT_TRUE(fs::is_fifo(dir.Path() / "fifo"));
  }
  EXPECT_EQ(cli::WriteTranscriptFile(*files, own, "", "x"),
            std::optional<std::string>("no file is named"));
  // Only the files named were written: no temporary file is left in any folder.
  for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
    EXPECT_NE(e.path().filename().string().rfind(".rz", 0), 0u) << e.path();
}

}  // namespace
}  // namespace rz::test
