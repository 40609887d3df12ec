// The terminal's questions: a reply is one whole line, whatever its length, and a reply that is
// neither yes nor no is asked again, so that no part of one reply answers a later question.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/TerminalUi.h"

namespace rz::test {
namespace {

struct Replies {
  const char* name;
  std::string typed;
  bool first;   // the answer to the stock-offer question
  bool second;  // the answer to the restart question
  int reasked;  // how many times a reply was refused
};

class TerminalQuestions : public ::testing::TestWithParam<Replies> {};

TEST_P(TerminalQuestions, EachReplyIsOneWholeLine) {
  const Replies& c = GetParam();
  std::FILE* in = std::tmpfile();
  ASSERT_NE(in, nullptr);
  std::fwrite(c.typed.data(), 1, c.typed.size(), in);
  std::rewind(in);
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  cli::TerminalUi ui(out, nullptr, {}, /*interactive=*/true, in);
  EXPECT_EQ(ui.SkinnedQuestion("There is a new VBIOS X\r\n       Do you wish to Update?"), c.first);
  EXPECT_EQ(ui.SkinnedQuestion("Do you want to restart now ?"), c.second);
  std::rewind(out);
  std::string printed;
  for (int ch; (ch = std::fgetc(out)) != EOF;) printed += static_cast<char>(ch);
  int reasked = 0;
  for (auto at = printed.find("Please answer yes or no."); at != std::string::npos;
       at = printed.find("Please answer yes or no.", at + 1))
    ++reasked;
  EXPECT_EQ(reasked, c.reasked) << printed;
  std::fclose(in);
  std::fclose(out);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TerminalQuestions,
    ::testing::Values(
        // A long reply used to spill its 64th character on into the restart question.
        Replies{"LongReplyIsAskedAgain",
                "no thanks, " + std::string(52, ' ') + "yes please\nno\n", false, false, 1},
        Replies{"LongYesOnlyLine", std::string(100, 'y') + "\n", false, false, 1},
        Replies{"WordsInAnyCase", "YES\n No \n", true, false, 0},
        Replies{"ShortForms", "y\nn\n", true, false, 0},
        Replies{"UnclearThenClear", "maybe\nyes\nsure\ny\n", true, true, 2},
        Replies{"EmptyLineTakesTheDefault", "\n\n", false, false, 0},
        Replies{"EndOfInputIsNo", "", false, false, 0},
        Replies{"LastLineWithoutLineFeed", "n\nyes", false, true, 0}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace rz::test
