// SPDX-License-Identifier: GPL-3.0-or-later
// Character tests and the model-text parser of the card's version.
#include <gtest/gtest.h>

#include "bios/BiosVersion.h"

namespace rz::bios {
namespace {

TEST(BiosVersion, CharacterTests) {
  struct Case {
    std::string text;
    bool digit, upper;
  } cases[] = {
      {"", false, false},   {"0", true, false},   {"9", true, false},  {"A", false, true},
      {"Z", false, true},   {"a", false, false},  {"@", false, false}, {"[", false, false},
      {"\xC1", false, false},  // above 0x7F: negative as a signed byte
      {"_", false, false},  {" ", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDigitText(c.text), c.digit) << "'" << c.text << "'";
    EXPECT_EQ(IsUpperText(c.text), c.upper) << "'" << c.text << "'";
  }
}

TEST(BiosVersion, ParseModelVersionTable) {
  struct Case {
    std::string text, model, letter, d1, d2, sep, suffix;
    int count;
  } cases[] = {
      {"RZ-PX4R7H/F2_B", "RZ-PX4R7H", "F", "2", "", "_", "B", 1},
      {"RZ-PX4R7H/F12_C", "RZ-PX4R7H", "F", "1", "2", "_", "C", 2},
      {"RZ-PX4R7H F12", "RZ-PX4R7H ", "F", "1", "2", "", "", 2},
      {"RZ-PX4R7H/F2x", "RZ-PX4R7H", "F", "2", "", "", "", 1},
      {"RZ-PXF4 R9/G3", "RZ-PXF4 R9", "G", "3", "", "", "", 1},  // "/" wins over an earlier "F"
      {"RZ-PF5 X12", "RZ-P", "F", "5", "", "", "", 1},            // the first "F", inside the name
      {"RZ-PX4R7H/", "RZ-PX4R7H", "", "", "", "", "", 0},
      {"RZ-PX4R7H/F12_", "RZ-PX4R7H", "F", "1", "2", "", "", 2},
      {std::string("RZ-PX4R7H/F3\0/G9", 16), "RZ-PX4R7H", "F", "3", "", "", "", 1},
      // a name longer than the field is cut to 19 characters
      {"RZ-ABCDEGHIJKLMNOPQRSTUVWXYZ/F7", "RZ-ABCDEGHIJKLMNOPQ", "F", "7", "", "", "", 1},
  };
  for (const auto& c : cases) {
    std::string model = "previous";
    BiosVersion v;
    ParseModelVersion(c.text, model, v);
    EXPECT_EQ(model, c.model) << c.text;
    EXPECT_EQ(v.Letter, c.letter) << c.text;
    EXPECT_EQ(v.Digit1, c.d1) << c.text;
    EXPECT_EQ(v.Digit2, c.d2) << c.text;
    EXPECT_EQ(v.Separator, c.sep) << c.text;
    EXPECT_EQ(v.Suffix, c.suffix) << c.text;
    EXPECT_EQ(v.DigitCount, c.count) << c.text;
  }
}

TEST(BiosVersion, TextWithoutSlashOrFChangesNothing) {
  std::string model = "KEEP";
  BiosVersion v;
  v.Letter = "G";
  v.DigitCount = 1;
  const BiosVersion before = v;
  ParseModelVersion("RZ-PX4R7H 12", model, v);
  EXPECT_EQ(model, "KEEP");
  EXPECT_EQ(v, before);
}

}  // namespace
}  // namespace rz::bios
