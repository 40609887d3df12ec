// SPDX-License-Identifier: GPL-3.0-or-later
// The history's lines: every field read back as written, whatever it holds; damaged lines told
// apart; appending after a line cut short; the file read line by line.
#include <gtest/gtest.h>

#include <string>

#include "commands/History.h"
#include "commands/HistoryFile.h"
#include "platform/files/MemoryFile.h"
#include "support/SimHarness.h"

namespace rz::commands {
namespace {

HistoryRecord Sample() {
  HistoryRecord r;
  r.time = "2026-01-01T00:03:10";
  r.action = HistoryAction::Flash;
  r.bus = "01:00";
  r.ids = "10DE:0191";
  r.subsystem = "1E5A:34C7";
  r.chip = "SST 39VF010";
  r.oldVersion = "PX4R7 F4";
  r.newVersion = "PX4R7 F12";
  r.oldSha256 = std::string(64, 'a');
  r.newSha256 = std::string(64, 'b');
  r.file = "/home/u/new.rom";
  r.backup = "/home/u/.local/share/rzflash/Backups/PX4R7.F4-20260101-000300.rom";
  r.ok = true;
  return r;
}

TEST(HistoryLine, ReadsBackEveryFieldWhateverItHolds) {
  struct Case {
    const char* name;
    void (*change)(HistoryRecord&);
  };
  const Case cases[] = {
      {"plain", [](HistoryRecord&) {}},
      {"tab in a file name", [](HistoryRecord& r) { r.file = "/tmp/a\tb.rom"; }},
      {"line breaks in a chip name", [](HistoryRecord& r) { r.chip = "x\ny\r\nz"; }},
      {"backslashes and escape look-alikes", [](HistoryRecord& r) { r.backup = "C:\\t\\n\\\\x.rom"; }},
      {"empty fields", [](HistoryRecord& r) { r = {}; r.time = "t"; r.action = HistoryAction::Save; }},
      {"failed without reason", [](HistoryRecord& r) { r.ok = false; }},
      {"failed with reason", [](HistoryRecord& r) { r.ok = false; r.reason = "ok: not\tquite"; }},
      {"restore", [](HistoryRecord& r) { r.action = HistoryAction::Restore; }},
      {"recover", [](HistoryRecord& r) { r.action = HistoryAction::Recover; }},
      {"trailing blanks and UTF-8", [](HistoryRecord& r) { r.oldVersion = "Видео F4  "; }},
  };
  for (const Case& c : cases) {
    HistoryRecord r = Sample();
    c.change(r);
    const std::string line = FormatHistoryLine(r);
    EXPECT_EQ(line.find('\n'), std::string::npos) << c.name;
    EXPECT_EQ(line.find('\r'), std::string::npos) << c.name;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 12) << c.name;
    const auto back = ParseHistoryLine(line);
    ASSERT_TRUE(back) << c.name << ": " << line;
    EXPECT_EQ(*back, r) << c.name;
    // A carriage return an editor added at the end changes nothing.
    EXPECT_EQ(ParseHistoryLine(line + "\r"), back) << c.name;
  }
}

TEST(HistoryLine, HasTheFieldsInTheHeadersOrder) {
  EXPECT_EQ(FormatHistoryLine(Sample()),
            "2026-01-01T00:03:10\tflash\t01:00\t10DE:0191\t1E5A:34C7\tSST 39VF010\tPX4R7 F4\t"
            "PX4R7 F12\t" + std::string(64, 'a') + "\t" + std::string(64, 'b') +
                "\t/home/u/new.rom\t/home/u/.local/share/rzflash/Backups/"
                "PX4R7.F4-20260101-000300.rom\tok");
  const std::string header = kHistoryHeader;
  EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), 13);  // the mark and 13 field names
}

TEST(HistoryLine, TellsDamagedLinesApart) {
  const std::string good = FormatHistoryLine(Sample());
  const std::string fields = good.substr(good.find('\t'));
  const std::string cases[] = {
      "",
      good.substr(0, good.rfind('\t')),                // a field short (a line cut short)
      good + "\textra",                                // a field more
      "\t" + fields.substr(1),                         // no time
      "2026-01-01T00:00:00\tburn" + fields.substr(fields.find('\t', 1)),  // unknown action
      good.substr(0, good.rfind('\t')) + "\tmaybe",    // unknown result
      good.substr(0, good.rfind('\t')) + "\tfailed: ", // a reason announced and missing
      good.substr(0, good.rfind('\t')) + "\tok\\",     // an escape cut short
      good.substr(0, good.find('\t')) + "\tfl\\ash" + fields.substr(fields.find('\t', 1)),
  };
  for (const std::string& line : cases) EXPECT_FALSE(ParseHistoryLine(line)) << line;
}

TEST(HistoryLine, FormsOfTimeAndIds) {
  EXPECT_EQ(IsoLocalTime({2026, 1, 2, 3, 4, 5}), "2026-01-02T03:04:05");
  EXPECT_EQ(BusText(0x1, 0x1F), "01:1F");
  EXPECT_EQ(IdPairText(0x10DE, 0x191), "10DE:0191");
}

class HistoryFileTest : public ::testing::Test {
 protected:
  std::string Text() const {
    const auto bytes = files.Get(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
  }
  platform::MemoryFileSystem files;
  const std::string keep = "/keep/";
  const std::string path = "/keep/history.log";
};

TEST_F(HistoryFileTest, StartsWithTheHeaderAndAppendsWholeLines) {
  HistoryRecord a = Sample(), b = Sample();
  b.action = HistoryAction::Save;
  ASSERT_FALSE(AppendHistory(files, keep, a));
  ASSERT_FALSE(AppendHistory(files, keep, b));
  EXPECT_EQ(Text(), std::string(kHistoryHeader) + "\n" + FormatHistoryLine(a) + "\n" +
                        FormatHistoryLine(b) + "\n");
  const auto listing = ReadHistory(files, path);
  ASSERT_TRUE(listing.found);
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_EQ(listing.entries[0].lineNumber, 2u);
  EXPECT_EQ(listing.entries[0].record, a);
  EXPECT_EQ(listing.entries[1].record, b);
}

// A run that ended in the middle of its line leaves the line cut short: the next record starts a
// line of its own, and only the cut line reads as damaged.
TEST_F(HistoryFileTest, AppendsAfterALineCutShort) {
  const std::string cut = FormatHistoryLine(Sample()).substr(0, 30);
  const std::string before = std::string(kHistoryHeader) + "\n" + cut;
  files.Put(path, {before.begin(), before.end()});
  const HistoryRecord r = Sample();
  ASSERT_FALSE(AppendHistory(files, keep, r));
  EXPECT_EQ(Text(), before + "\n" + FormatHistoryLine(r) + "\n");
  const auto listing = ReadHistory(files, path);
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_FALSE(listing.entries[0].record);
  EXPECT_EQ(listing.entries[0].text, cut);
  EXPECT_EQ(listing.entries[1].record, r);
}

TEST_F(HistoryFileTest, AFileThatCannotBeOpenedIsReportedAndLeftAlone) {
  files.FailOpenWrite().insert(path);
  const auto why = AppendHistory(files, keep, Sample());
  ASSERT_TRUE(why);
  EXPECT_NE(why->find(path), std::string::npos) << *why;
  EXPECT_FALSE(files.Get(path));
  EXPECT_TRUE(AppendHistory(files, "", Sample()));  // no keep folder at all
}

TEST_F(HistoryFileTest, AMissingFileIsNoHistory) {
  const auto listing = ReadHistory(files, path);
  EXPECT_FALSE(listing.found);
  EXPECT_TRUE(listing.entries.empty());
}

}  // namespace
}  // namespace rz::commands

namespace rz::test {
namespace {

// The host's append on this system (POSIX here, the Windows calls in the Windows build): every
// write lands at the end, also after another handle wrote, and nothing but a file is appended to.
TEST(HostAppend, WritesAtTheEndWhoeverWroteBefore) {
  TempDir dir;
  auto files = platform::MakeHostFileSystem();
  const std::string path = dir.File("log.txt");
  auto first = files->OpenAppend(path);  // made when missing
  ASSERT_TRUE(first);
  ASSERT_EQ(first->Write("ab", 2), 2u);
  ASSERT_TRUE(first->Flush());
  auto second = files->OpenAppend(path);
  ASSERT_TRUE(second);
  ASSERT_EQ(second->Write("cd", 2), 2u);
  ASSERT_TRUE(second->Close());
  ASSERT_EQ(first->Write("ef", 2), 2u);  // after what the other handle wrote, not over it
  ASSERT_TRUE(first->Close());
  auto in = files->OpenRead(path);
  ASSERT_TRUE(in);
  char text[16] = {};
  EXPECT_EQ(in->Read(text, sizeof text), 6u);
  EXPECT_EQ(std::string(text), "abcdef");
  EXPECT_FALSE(files->OpenAppend(dir.File("")));  // a folder
}

}  // namespace
}  // namespace rz::test
