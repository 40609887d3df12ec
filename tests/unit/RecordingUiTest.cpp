// SPDX-License-Identifier: GPL-3.0-or-later
// The transcript as RecordingUi writes it over any front end: its escapes keep a line one line and
// a quoted field one field, and the terminal and scripted front ends give the same lines for the
// same answers (the windows' are compared in the GUI suite).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/TerminalUi.h"
#include "support/ScriptedUi.h"
#include "ui/RecordingUi.h"

namespace rz::test {
namespace {

struct EscapeCase {
  const char* name;
  std::string text;
  std::string escaped;
};

class TranscriptEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(TranscriptEscape, TextAndPathFields) {
  const EscapeCase& c = GetParam();
  EXPECT_EQ(ui::EscapeTranscriptText(c.text), c.escaped);
  // The same escapes in every field kind: free text, quoted fields and the chosen path.
  ui::Transcript t;
  t.Msg(c.text);
  t.SaveDialog(c.text, c.text, c.text);
  t.Launch(c.text, c.text);
  t.Help(c.text);
  const std::string& e = c.escaped;
  EXPECT_EQ(t.Lines(), (std::vector<std::string>{
                           "msg: " + e,
                           "save-dialog \"" + e + "\" \"" + e + "\" -> " + e,
                           "launch \"" + e + "\" \"" + e + "\"",
                           "help \"" + e + "\"",
                       }));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TranscriptEscape,
    ::testing::Values(
        EscapeCase{"Plain", "Save VGA BIOS completed!!!", "Save VGA BIOS completed!!!"},
        EscapeCase{"WindowsPath", "C:\\RZ\\A.F1", "C:\\\\RZ\\\\A.F1"},
        EscapeCase{"QuoteInPath", "/home/u/my \"old\" card.rom", "/home/u/my \\\"old\\\" card.rom"},
        EscapeCase{"QuoteThenBlankEndsNoField", "a\" \"b", "a\\\" \\\"b"},
        EscapeCase{"BackslashBeforeQuote", "dir\\\"", "dir\\\\\\\""},
        EscapeCase{"LineBreaks", "Line 1\r\nLine 2\n", "Line 1\\r\\nLine 2\\n"},
        EscapeCase{"Empty", "", ""}),
    [](const auto& p) { return std::string(p.param.name); });

// A quoted field read back: up to the first quote that no backslash escapes.
std::string FirstQuotedField(const std::string& line) {
  const auto open = line.find('"');
  std::string field;
  for (std::size_t i = open + 1; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      field += line[++i];
    } else if (line[i] == '"') {
      return field;
    } else {
      field += line[i];
    }
  }
  return "<unterminated>";
}

TEST(TranscriptEscape, APathWithQuotesReadsBackAsOneField) {
  for (const std::string path : {"/tmp/a\"b.rom", "C:\\x\\\"\\y", "\"", "\\\\\""}) {
    ui::Transcript t;
    t.Launch(path, "-p 0 Flash.bin -f -quiet");
    EXPECT_EQ(FirstQuotedField(t.Lines().front()), path) << t.Lines().front();
  }
}

// Every kind of event with answers, played on a Ui.
void Play(ui::Ui& u) {
  u.MessageBox("Caution", "Talvenor VGA BIOS not found! Do you want to continue?",
               ui::Buttons::YesNo, ui::Icon::None, ui::Owner::None);
  u.MessageBox("ERROR", "Getting ROM size.", ui::Buttons::Ok, ui::Icon::Error, ui::Owner::None);
  u.ShowMessage("Not support this series!!!");
  u.SkinnedMessage("The screen may go *BLANK* during EEPROM flash");
  u.SkinnedQuestion("There is a new VBIOS \r\n       Do you wish to Update?");
  u.SaveFileDialog("Select target file to save BIOS", "/p/\"q\"/", "A.F1");
  u.OpenFileDialog("Select source file to update BIOS", "/p/");
  u.SetLabel(ui::Label::BiosVersion, "PX4R7 F5");
  u.SetStatus(ui::kStatusBusy);
  u.ReportProgress(ui::Phase::Programming, 1, 2);  // never in the transcript
  u.SetCommandButtonsEnabled(false);
  u.ProcessEvents();
  u.MessageRepeated("Error reading PCI", 3);
  u.AnsweredQuestion("There is a new VBIOS \r\n       Do you wish to Update?", false);
}

TEST(RecordingUi, TerminalAndScriptedFrontEndsWriteTheSameLines) {
  const std::string chosen = "/home/u/new \"F5\".rom";
  ui::ScriptedUi scripted;
  scripted.QueueAnswer(true);
  scripted.QueueAnswer(false);
  scripted.QueueFile(chosen);
  scripted.QueueFile(chosen);
  Play(scripted);

  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  cli::TerminalUi terminal(out, err, {true, false}, /*interactive=*/false);
  terminal.SetDialogAnswer(chosen);
  ui::Transcript transcript;
  ui::RecordingUi recorded(terminal, transcript);
  Play(recorded);
  std::fclose(out);
  std::fclose(err);

  EXPECT_EQ(transcript.Lines(), scripted.Lines());
  ASSERT_EQ(scripted.Lines().size(), 11u);
  EXPECT_EQ(scripted.Lines()[0],
            "box \"Caution\" yesno none -> yes: Talvenor VGA BIOS not found! Do you want to "
            "continue?");
  EXPECT_EQ(scripted.Lines()[1], "box \"ERROR\" ok error: Getting ROM size.");
  EXPECT_EQ(scripted.Lines()[4],
            "yesno -> no: There is a new VBIOS \\r\\n       Do you wish to Update?");
  EXPECT_EQ(scripted.Lines()[5],
            "save-dialog \"/p/\\\"q\\\"/\" \"A.F1\" -> /home/u/new \\\"F5\\\".rom");
  EXPECT_EQ(scripted.Lines()[9], "repeated 3: Error reading PCI");
  // Answered by the front end from the command line, written as the same question answered.
  EXPECT_EQ(scripted.Lines()[10], scripted.Lines()[4]);
}

// The front end's answers are the ones returned to the program, and nothing it does between is
// written twice: one line per event.
TEST(RecordingUi, PassesAnswersThroughAndWritesOneLineEach) {
  ui::ScriptedFrontEnd front;
  front.QueueAnswer(true);
  front.QueueFile(std::nullopt);
  ui::Transcript t;
  ui::RecordingUi recorded(front, t);
  EXPECT_TRUE(recorded.SkinnedQuestion("Do you want to restart now ?"));
  EXPECT_FALSE(recorded.SkinnedQuestion("Do you want to restart now ?"));  // none left: No
  EXPECT_EQ(recorded.OpenFileDialog("t", "/d/"), std::nullopt);
  recorded.LoadSkin();
  recorded.SizeWindowToBackground();
  EXPECT_EQ(t.Lines(), (std::vector<std::string>{"yesno -> yes: Do you want to restart now ?",
                                                 "yesno -> no: Do you want to restart now ?",
                                                 "open-dialog \"/d/\" -> cancel"}));
  EXPECT_EQ(front.Events().size(), 5u);
}

}  // namespace
}  // namespace rz::test
