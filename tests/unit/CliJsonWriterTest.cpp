// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal's JSON writer: every text stays one valid JSON string that reads back as written
// (bytes that are not UTF-8 as the characters of the same numbers), and nesting puts the commas
// and colons where a parser wants them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/JsonWriter.h"

namespace rz::cli {
namespace {

struct QuoteCase {
  const char* name;
  std::string text;
  std::string quoted;
};

class Quote : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(Quote, EscapesWhatJsonNeedsAndKeepsValidUtf8) {
  EXPECT_EQ(JsonQuote(GetParam().text), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Quote,
    ::testing::Values(
        QuoteCase{"Plain", "PX4R7 F4", "\"PX4R7 F4\""},
        QuoteCase{"QuoteAndBackslash", "C:\\a \"b\"", "\"C:\\\\a \\\"b\\\"\""},
        QuoteCase{"LineBreaksAndTab", "a\r\nb\tc", "\"a\\r\\nb\\tc\""},
        QuoteCase{"OtherControls", std::string("\x01\x1F\x7F", 3), "\"\\u0001\\u001F\\u007F\""},
        QuoteCase{"ZeroByte", std::string("a\0b", 3), "\"a\\u0000b\""},
        QuoteCase{"ValidUtf8Kept", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
                  "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        QuoteCase{"LoneHighByte", "\xFF", "\"\\u00FF\""},
        QuoteCase{"CutSequenceAtEnd", "a\xC3", "\"a\\u00C3\""},
        QuoteCase{"Overlong", "\xC0\xAF", "\"\\u00C0\\u00AF\""},
        QuoteCase{"Surrogate", "\xED\xA0\x80", "\"\\u00ED\\u00A0\\u0080\""},
        QuoteCase{"AboveUnicode", "\xF4\x90\x80\x80", "\"\\u00F4\\u0090\\u0080\\u0080\""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(JsonQuote, EveryByteReadsBackAsOneCharacter) {
  for (int b = 0; b < 256; ++b) {
    const std::string text(1, static_cast<char>(b));
    const auto parsed = nlohmann::json::parse(JsonQuote(text));
    const std::string back = parsed.get<std::string>();
    if (b < 0x80) {
      EXPECT_EQ(back, text) << b;
    } else {
      // The character of the same number, in UTF-8.
      const std::string expected{static_cast<char>(0xC0 | (b >> 6)),
                                 static_cast<char>(0x80 | (b & 0x3F))};
      EXPECT_EQ(back, expected) << b;
    }
  }
}

TEST(JsonWriter, NestedDocumentParsesWithEveryValue) {
  JsonWriter w;
  w.BeginObject()
      .Key("command").String("adapters")
      .Key("count").Number(-3)
      .Key("empty").BeginArray().EndArray()
      .Key("list").BeginArray()
          .BeginObject().Key("a").Bool(true).Key("b").Null().EndObject()
          .BeginObject().EndObject()
          .Number(4294967296)
          .String("x\"y")
      .EndArray()
      .Key("last").Bool(false)
      .EndObject();
  const auto j = nlohmann::json::parse(w.Text());
  EXPECT_EQ(j.at("command"), "adapters");
  EXPECT_EQ(j.at("count"), -3);
  EXPECT_TRUE(j.at("empty").is_array() && j.at("empty").empty());
  ASSERT_EQ(j.at("list").size(), 4u);
  EXPECT_EQ(j.at("list")[0].at("a"), true);
  EXPECT_TRUE(j.at("list")[0].at("b").is_null());
  EXPECT_TRUE(j.at("list")[1].is_object() && j.at("list")[1].empty());
  EXPECT_EQ(j.at("list")[2], 4294967296LL);
  EXPECT_EQ(j.at("list")[3], "x\"y");
  EXPECT_EQ(j.at("last"), false);
  EXPECT_EQ(j.size(), 5u);
}

}  // namespace
}  // namespace rz::cli
