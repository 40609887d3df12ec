// SPDX-License-Identifier: GPL-3.0-or-later
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

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string s;
  for (int ch; (ch = std::fgetc(f)) != EOF;) s += static_cast<char>(ch);
  return s;
}

// The bar on the error stream: the phase before it, a line of its own per phase, the percentage,
// and the line ended before anything else is printed.
TEST(TerminalProgress, OneLinePerPhaseEndedBeforeOtherOutput) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  cli::TerminalUi ui(out, err, {}, /*interactive=*/false);
  ui.ReportProgress(ui::Phase::BackingUp, 0x8000, 0x10000);
  ui.ReportProgress(ui::Phase::Erasing, 0, 1);  // a new phase ends the unfinished line
  ui.ReportProgress(ui::Phase::Erasing, 1, 1);
  ui.ReportProgress(ui::Phase::Programming, 1, 4);
  ui.SetStatus("Fail !!");  // ends the open bar first
  ui.ReportProgress(ui::Phase::Programming, 9, 4);  // never past 100%
  ui.ReportProgress(ui::Phase::Reading, 0, ui::kUnknownTotal);
  ui.ReportProgress(ui::Phase::Reading, 0, ui::kUnknownTotal);  // shown once
  ui.SkinnedMessage("Save VGA BIOS completed!!!");
  const std::string dots(25, '.'), half = std::string(12, '#') + std::string(13, '.');
  EXPECT_EQ(ReadAll(err), "\rBacking up  [" + half + "]  50% \n" +
                              "\rErasing     [" + dots + "]   0% " +
                              "\rErasing     [" + std::string(25, '#') + "] 100% \n" +
                              "\rProgramming [" + std::string(6, '#') + std::string(19, '.') +
                              "]  25% \n" +
                              "\rProgramming [" + std::string(25, '#') + "] 100% \n" +
                              "Reading     ...\n");
  EXPECT_EQ(ReadAll(out), "[Fail !!]\nSave VGA BIOS completed!!!\n");
  std::fclose(out);
  std::fclose(err);
}

// Without a terminal on the error stream there is no bar at all.
TEST(TerminalProgress, NothingWithoutAnErrorStream) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  cli::TerminalUi ui(out, nullptr, {}, /*interactive=*/false);
  ui.ReportProgress(ui::Phase::Verifying, 1, 2);
  ui.SetStatus("Ready");
  EXPECT_EQ(ReadAll(out), "[Ready]\n");
  std::fclose(out);
}

}  // namespace
}  // namespace rz::test
