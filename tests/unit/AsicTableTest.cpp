// SPDX-License-Identifier: GPL-3.0-or-later
// RZFLASH.CFG: record syntax, the two passes, lookup, and the loader's file handling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Paths.h"
#include "config/AsicTable.h"
#include "config/ConfigScanner.h"
#include "support/ScriptedUi.h"
#include "support/SimHarness.h"

namespace rz::config {
namespace {

struct ParseCase {
  const char* what;
  std::string text;
  std::vector<std::uint32_t> deviceIds;  // of the stored entries, in order
  std::size_t capacity;
};

class ParseAsicTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseAsicTextTest, StoresTheRecordsWhoseFieldsAllConvert) {
  const ParseCase& c = GetParam();
  std::size_t capacity = 99;
  const auto entries = ParseAsicText(c.text, capacity);
  std::vector<std::uint32_t> ids;
  for (const auto& e : entries) ids.push_back(e.deviceId);
  EXPECT_EQ(ids, c.deviceIds) << c.what;
  EXPECT_EQ(capacity, c.capacity) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Records, ParseAsicTextTest,
    ::testing::Values(
        ParseCase{"comments and blank lines only", "\n; a comment\n   \n;another;\n\n; last", {}, 0},
        ParseCase{"one record of each kind",
                  "asic_nv 10de 191 1 0 G80\nasic_nv2 10de 400 0 1 1 0 1 0 0 1 0 G84\n",
                  {0x191, 0x400}, 2},
        ParseCase{"asic_nv with three numbers and a name counts but is not stored",
                  "asic_nv 10de 191 1 G80\nasic_nv 10de 192 1 0 OK\n", {0x192}, 2},
        ParseCase{"a name starting with hex digits is read as the fourth number",
                  "asic_nv 10de 191 1 DEADCHIP\n", {0x191}, 1},
        ParseCase{"words after the name are ignored",
                  "asic_nv 10de 191 1 0 G80 asic_nv 10de 999 1 0 X\nasic_nv 10de 192 1 0 B\n",
                  {0x191, 0x192}, 2},
        ParseCase{"a tab after the keyword belongs to it", "asic_nv\t10de 191 1 0 G80\n", {}, 0},
        ParseCase{"keyword alone on its line takes its fields from the next lines",
                  "asic_nv\n10de 191\n1 0\nG80 rest of line\nasic_nv 10de 192 1 0 B\n",
                  {0x191, 0x192}, 2},
        ParseCase{"unknown keyword alone on its line skips the next line too",
                  "other\nasic_nv 10de 191 1 0 G80\nasic_nv 10de 192 1 0 B\n", {0x192}, 1},
        ParseCase{"unknown keyword skips the rest of its line",
                  "other asic_nv 10de 191 1 0 G80\nasic_nv 10de 192 1 0 B\n", {0x192}, 1},
        ParseCase{"keywords are case-sensitive", "ASIC_NV 10de 191 1 0 G80\n", {}, 0},
        ParseCase{"a failed field skips the rest of the line it failed on",
                  "asic_nv 10de\nzz asic_nv 10de 193 1 0 C\nasic_nv 10de 192 1 0 B\n", {0x192}, 1},
        ParseCase{"CR LF line ends",
                  "asic_nv\r\n10de 191 1 0 G80\r\nfoo\r\nasic_nv 10de 999 1 0 X\r\n"
                  "asic_nv 10de 192 1 0 B\r\n",
                  {0x191, 0x192}, 2},
        ParseCase{"a semicolon right after the keyword drops the rest of that line",
                  "asic_nv;10de 999 1 0 X\n10de 191 1 0 G80\n", {0x191}, 1},
        ParseCase{"record cut by the end of the file", "asic_nv 10de 191 1", {}, 0},
        // The sizing pass stops reading this record on its first line, the loading pass takes the
        // name from the next line: the passes then skip different lines, and the loading pass
        // finds a record more than the sizing pass counted. The table keeps to the count.
        ParseCase{"loading pass finds more records than counted",
                  "asic_nv 10de 191 1 0\nNAME\nasic_nv 10de 192 1 0 B\n", {0x191}, 1},
        ParseCase{"asic_nv2 needs all eleven numbers",
                  "asic_nv2 10de 400 0 1 1 0 1 0 0 1 NAME\nasic_nv2 10de 401 0 1 1 0 1 0 0 1 0 N\n",
                  {0x401}, 1}),
    [](const ::testing::TestParamInfo<ParseCase>& param) {
      return "Case" + std::to_string(param.index);
    });

TEST(AsicRecords, AsicNvTakesTypeAndPromFlagFromThirdAndFourthNumbersWithDefaults) {
  std::size_t capacity = 0;
  const auto e = ParseAsicText("asic_nv 10de 191 1 7 G80\n", capacity);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], (AsicEntry{0x10DE, 0x191, 0, 1, 1, 0, 1, 0, 0, 7, 0, "G80"}));
}

TEST(AsicRecords, AsicNv2FillsTheElevenFieldsInOrder) {
  std::size_t capacity = 0;
  const auto e = ParseAsicText("asic_nv2 10de 191 2 1 4 5 6 7 8 9 a NAME\n", capacity);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], (AsicEntry{0x10DE, 0x191, 2, 1, 4, 5, 6, 7, 8, 9, 0xA, "NAME"}));
}

TEST(AsicRecords, NameEndsBeforeACarriageReturnLineFeed) {
  std::size_t capacity = 0;
  const auto e = ParseAsicText("asic_nv 10de 191 1 0 G80\r\n", capacity);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].name, "G80");
}

TEST(AsicRecords, LongNamesAreCutTo31Characters) {
  std::size_t capacity = 0;
  const std::string longName(40, 'N');
  const auto e = ParseAsicText("asic_nv 10de 191 1 0 " + longName + "\n", capacity);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].name, std::string(31, 'N'));
}

TEST(AsicTableLookup, FirstTypeOneEntryWithTheDeviceIdWins) {
  AsicTable t;
  std::size_t capacity = 0;
  t.entries = ParseAsicText(
      "asic_nv 10de 191 0 1 TYPE0\n"
      "asic_nv 10de 191 2 1 TYPE2\n"
      "asic_nv 10de 191 1 0 FIRST\n"
      "asic_nv 10de 191 1 1 SECOND\n"
      "asic_nv 10de 10191 1 1 WIDE\n",
      capacity);
  ASSERT_EQ(t.entries.size(), 5u);
  EXPECT_EQ(t.Lookup(0x191), std::optional<std::size_t>(2));
  EXPECT_EQ(t.Lookup(0x192), std::nullopt);
  t.entries.resize(2);  // only entries of other types left
  EXPECT_EQ(t.Lookup(0x191), std::nullopt);
}

struct HexCase {
  const char* input;
  bool converts;
  std::uint32_t value;
  const char* next;  // the word read after the number
};

TEST(ConfigScanner, HexFieldsFollowTheCLibrary) {
  const HexCase cases[] = {
      {"10de x", true, 0x10DE, "x"},       {"0X1F x", true, 0x1F, "x"},
      {"  \n\t 7 x", true, 7, "x"},        {"+1f x", true, 0x1F, "x"},
      {"-1 x", true, 0xFFFFFFFFu, "x"},    {"-0x10 x", true, 0xFFFFFFF0u, "x"},
      {"0x x", true, 0, "x"},              {"0xg", true, 0, "g"},
      {"00x1", true, 0, "x1"},             {"123456789 x", true, 0x23456789, "x"},
      {"fffffffff0 x", true, 0xFFFFFFF0u, "x"}, {"- 1", false, 0, "1"},
      {"+x", false, 0, "x"},               {"g1", false, 0, "g1"},
      {"10,2", true, 0x10, ",2"},
  };
  for (const auto& c : cases) {
    ConfigScanner in(c.input);
    std::uint32_t v = 0xAAAA;
    EXPECT_EQ(in.ScanHex(v), c.converts) << c.input;
    if (c.converts) {
      EXPECT_EQ(v, c.value) << c.input;
    }
    std::string word;
    EXPECT_TRUE(in.ScanWord(word, 31)) << c.input;
    EXPECT_EQ(word, c.next) << c.input;
  }
  ConfigScanner empty("  \n ");
  std::uint32_t v = 0;
  std::string w;
  EXPECT_FALSE(empty.ScanHex(v));
  EXPECT_FALSE(empty.ScanWord(w, 31));
}

TEST(ConfigScanner, KeywordKeeps127CharactersAndReadsTheWholeWord) {
  const std::string longWord(200, 'k');
  const std::string text = " \n" + longWord + " next;tail\n;only a comment";
  ConfigScanner in(text);
  std::string kw;
  EXPECT_EQ(in.ReadKeyword(kw), 127);
  EXPECT_EQ(kw, std::string(127, 'k'));
  EXPECT_EQ(in.ReadKeyword(kw), 4);
  EXPECT_EQ(kw, "next");
  EXPECT_EQ(in.ReadKeyword(kw), -1) << "the unterminated comment on the last line ends the file";
}

// A file system that counts opens and can refuse them from a given open on.
struct HostFiles {
  std::unique_ptr<platform::FileSystem> host = platform::MakeHostFileSystem();
};

class CountingFiles final : private HostFiles, public platform::ForwardingFileSystem {
 public:
  int opens = 0;
  int failFromOpen = 1000;  // 1-based number of the first open that fails
  CountingFiles() : ForwardingFileSystem(*host) {}
  std::unique_ptr<platform::File> OpenRead(const std::string& path) override {
    if (++opens >= failFromOpen) return nullptr;
    return Inner().OpenRead(path);
  }
};

class LoadAsicTableTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string folder = dir.Folder();
  CountingFiles files;
  ui::ScriptedUi ui;
  AsicTable table;
};

TEST_F(LoadAsicTableTest, LoadsOnceFromThePathWithTwoSeparators) {
  dir.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\nasic_nv 10de 192 1 G\n");
  EXPECT_EQ(LoadAsicTable(table, folder, files, ui), 0);
  EXPECT_EQ(table.path, folder + kPathSeparator + "RZFLASH.CFG");
  EXPECT_EQ(files.opens, 2) << "a sizing pass and a loading pass";
  EXPECT_EQ(table.capacity, 2u);
  ASSERT_EQ(table.entries.size(), 1u);
  EXPECT_TRUE(ui.Events().empty());

  dir.Write("RZFLASH.CFG", "asic_nv 10de 300 1 0 NEW\n");
  EXPECT_EQ(LoadAsicTable(table, folder, files, ui), 0);
  EXPECT_EQ(files.opens, 2) << "the second call reads nothing";
  ASSERT_EQ(table.entries.size(), 1u);
  EXPECT_EQ(table.entries[0].deviceId, 0x191u);
}

TEST_F(LoadAsicTableTest, UnopenableFileShowsThePathThenTheErrorAndLeavesTheTableEmpty) {
  for (int failFrom : {1, 2}) {  // missing file; file gone between the two passes
    SCOPED_TRACE(failFrom);
    dir.Write("RZFLASH.CFG", "asic_nv 10de 191 1 0 G80\n");
    CountingFiles faulty;
    faulty.failFromOpen = failFrom;
    ui::ScriptedUi boxes;
    AsicTable t;
    EXPECT_EQ(LoadAsicTable(t, folder, faulty, boxes), 1);
    EXPECT_FALSE(t.built);
    EXPECT_TRUE(t.entries.empty());
    ASSERT_EQ(boxes.Events().size(), 2u);
    const std::string texts[] = {folder + kPathSeparator + "RZFLASH.CFG", "Error opening cfg file"};
    for (int i = 0; i < 2; ++i) {
      const auto& e = boxes.Events()[i];
      EXPECT_EQ(e.kind, ui::EventKind::MessageBox);
      EXPECT_EQ(e.caption, "");
      EXPECT_EQ(e.text, texts[i]);
      EXPECT_EQ(e.buttons, ui::Buttons::Ok);
      EXPECT_EQ(e.icon, ui::Icon::None);
      EXPECT_EQ(e.owner, ui::Owner::None);
    }
  }
}

}  // namespace
}  // namespace rz::config
