// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli: the terminal front end. Runs the program's start-up, detection and commands on this
// computer's hardware or on an emulated machine, with a terminal Ui and an optional transcript.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AdapterChoice.h"
#include "app/Detection.h"
#include "app/ExitCodes.h"
#include "app/Program.h"
#include "app/ProgramFolders.h"
#include "app/Session.h"
#include "base/Utf8Path.h"
#include "cli/CardCommands.h"
#include "cli/HistoryCommand.h"
#include "cli/JsonWriter.h"
#include "cli/Options.h"
#include "cli/Preflight.h"
#include "cli/QuickAnswers.h"
#include "cli/Reports.h"
#include "cli/RunEnd.h"
#include "cli/TerminalUi.h"
#include "cli/TranscriptFile.h"
#include "commands/AdapterListing.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "commands/StockBios.h"
#include "commands/VerifyCommand.h"
#include "config/AsicTable.h"
#include "eeprom/Signature.h"
#include "hw/AdapterScan.h"
#include "platform/HostPlatform.h"
#include "sim/scenario/LoadMachine.h"
#include "sim/seams/EmulatedPlatform.h"
#include "ui/RecordingUi.h"
#ifdef RZFLASH_TEST_CARD
#include "vm/TestCardHost.h"
#endif
#ifdef _WIN32
#include "host/windows/Utf8Entry.h"
#endif

namespace {

namespace fs = std::filesystem;
using rz::cli::Absolute;
using rz::cli::Command;
using rz::cli::Say;

using rz::app::kExitFailed;
using rz::app::kExitNoDriver;
using rz::app::kExitOk;
using rz::app::kExitUsage;

// Written on standard error at the moment the first request to stop is held.
constexpr const char* kHeldInterruptNotice =
    "Flashing: the card must not be interrupted; the program will stop when the flash is done.";

// The adapters command looks at the scan and the configuration file only: the card is not read.
bool ScanOnly(rz::app::Program& p) {
  rz::hw::ScanDisplayAdapters(p.io, p.adapters);
  rz::app::SetCardVendor(p);
  rz::config::LoadAsicTable(p.asics, p.programFolder, p.Seams().files, p.GetUi());
  return true;
}

// How the command finds its card: `adapters` only scans; the others detect the card chosen among
// the scan's adapters, and `choice` tells which or why none was.
std::function<bool(rz::app::Program&)> DetectionFor(const rz::cli::Options& o,
                                                    rz::app::AdapterChoice& choice) {
  if (o.command == Command::Adapters) return ScanOnly;
  if (o.command == Command::Recover)
    return [&choice, named = o.adapter](rz::app::Program& p) {
      return rz::app::DetectRecoveryCard(p, named, choice);
    };
  const auto how = o.command == Command::Info ? rz::app::Choosing::FirstUnlessNamed
                                              : rz::app::Choosing::NamedWhenSeveral;
  return [&choice, named = o.adapter, how](rz::app::Program& p) {
    return rz::app::DetectChosenCard(p, named, how, choice);
  };
}

// `host` is this computer's platform when the program runs on hardware, else null. `own` brings
// the places of own files beyond the run's program (none on hardware) and takes back all of
// them. A request to stop that was held while the card was written ends the run with
// kExitInterrupted.
int Run(const rz::cli::Options& o, rz::platform::Platform& base, rz::cli::TerminalUi& ui,
        rz::ui::Transcript& transcript, rz::platform::HostPlatform* host, std::FILE* human,
        rz::cli::RunEnd& end, std::vector<rz::commands::ProgramPlace>& own) {
  if (base.interrupts) base.interrupts->SetNotice(kHeldInterruptNotice);
  rz::app::AdapterChoice choice;
  rz::app::Session session(base, ui, transcript, DetectionFor(o, choice));
  rz::app::Program& program = session.Program();
  program.ownPlaces = own;
  const auto start = session.Start();
  own = program.ownPlaces;
  int code = kExitOk;
  switch (start) {
    case rz::app::StartResult::SecondInstance:
      end.AddProblem(rz::app::kSecondInstanceText);
      return kExitFailed;
    case rz::app::StartResult::DriverFailed: {
      const std::string why = host ? host->DescribeAccessProblem() : std::string();
      if (!why.empty()) Say(stderr, why);
      end.AddProblem(std::string(rz::app::kDriverFailedText) + (why.empty() ? "" : " " + why));
      code = kExitNoDriver;
      break;
    }
    case rz::app::StartResult::EndedByDetection:
      code = kExitFailed;
      // A card that was not chosen was not read: the refusal says why and lists the adapters.
      if (choice.refusal) {
        Say(stderr, "rzflash-cli: " + *choice.refusal);
        end.AddProblem(*choice.refusal);
        if (choice.usage) code = kExitUsage;
      }
      break;
    case rz::app::StartResult::Ready:
      code = rz::cli::RunCardCommand(o, program, ui, human, end);
      break;
  }
  return session.End(code);
}

// The real program's place on this computer: on an emulated machine its files are not the run's
// program's, and no file written for the user may replace them either.
rz::commands::ProgramPlace HostPlace() {
  const std::string exe = rz::platform::HostExecutablePath();
  const auto files = rz::platform::MakeHostFileSystem();
  return {rz::app::ResolveProgramFolders(exe, *files, {}).program, exe};
}

// Writes the transcript to `absolute` (`path` made absolute before the run, which may change the
// current folder); on failure says why on standard error and in the run's problem, and returns
// false.
bool WriteTranscript(const std::string& path, const std::string& absolute, const std::string& text,
                     const std::vector<rz::commands::ProgramPlace>& own, rz::cli::RunEnd& end) {
  const auto files = rz::platform::MakeHostFileSystem();
  const auto why = rz::cli::WriteTranscriptFile(*files, own, absolute, text);
  if (!why) return true;
  const std::string problem = "cannot write the transcript " + path + ": " + *why;
  Say(stderr, "rzflash-cli: " + problem);
  end.AddProblem(problem);
  return false;
}

// Runs the program on the emulated machine the command line names; throws ScenarioError when
// the machine cannot be loaded.
int RunOnMachine(const rz::cli::Options& o, rz::cli::TerminalUi& ui, rz::ui::Transcript& transcript,
                 std::FILE* human, rz::cli::RunEnd& end,
                 std::vector<rz::commands::ProgramPlace>& own) {
  own.push_back(HostPlace());
  auto machine = rz::sim::LoadMachine(*o.machine);
  for (const auto& w : machine.recipe.warnings)
    Say(stderr, "rzflash-cli: warning: " + w);
  // A request to stop reaches the process as on hardware (the scenario's interrupt hook
  // delivers one the system's way), so the system's own hold takes it.
  const auto interrupts = rz::platform::MakeHostInterruptHold();
  rz::sim::EmulatedPlatform platform(std::move(machine.recipe));
  platform.UseInterruptHold(*interrupts, rz::platform::DeliverInterrupt);
  // The program's line on standard output reaches the terminal as it would on hardware.
  platform.System().SetStdoutSink([human](const std::string& line) {
    Say(human, line);
  });
  const int code = Run(o, platform.Seams(), ui, transcript, nullptr, human, end, own);
  platform.Finish();
  return code;
}

// Runs the program on this computer's hardware.
int RunOnHardware(const rz::cli::Options& o, rz::cli::TerminalUi& ui,
                  rz::ui::Transcript& transcript, std::FILE* human, rz::cli::RunEnd& end,
                  std::vector<rz::commands::ProgramPlace>& own) {
#ifdef RZFLASH_TEST_CARD
  // The test build's disguised slot (tests/vm); never part of a shipped program.
  const auto host = rz::vmtest::WithTestCard(rz::platform::MakeHostPlatform());
#else
  const auto host = rz::platform::MakeHostPlatform();
#endif
  return Run(o, host->Seams(), ui, transcript, host.get(), human, end, own);
}

// The run after its command line was read; every way it ends returns here with its exit status
// (the problem, when there is one, is in `end`).
int Main(int argc, char** argv, rz::cli::RunEnd& end) {
  std::string error;
  const auto options = rz::cli::ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "rzflash-cli: %s\n%s", error.c_str(), rz::cli::kUsage);
    std::fflush(stderr);
    end.AddProblem(error);
    return kExitUsage;
  }
  const auto& o = *options;
  // With --json standard output carries the JSON object alone; everything else goes to stderr.
  std::FILE* const human = end.Json() ? stderr : stdout;
  if (const auto answered = rz::cli::AnswerWithoutProgram(o, human, end)) return *answered;
  if (o.command == Command::History) return rz::cli::ShowHistory(o, human, end);
  if (const auto problem = rz::cli::CheckBeforeRun(o)) {
    Say(stderr, "rzflash-cli: " + problem->message);
    end.AddProblem(problem->message);
    return problem->exitCode;
  }
  std::error_code ec;
  const std::string transcriptPath =
      o.transcript && !o.transcript->empty()
          ? rz::Utf8FromPath(fs::absolute(rz::PathFromUtf8(*o.transcript), ec))
          : "";

  // The adapter lines are all that `adapters` writes on standard output: what the program says
  // while it runs (its status, its messages) goes to standard error there.
  std::FILE* const said = o.command == Command::Adapters ? stderr : human;
  rz::cli::TerminalUi ui(said, rz::platform::IsTerminal(stderr) ? stderr : nullptr, o.answers,
                         rz::platform::IsTerminal(stdin));
  rz::ui::Transcript transcript;
  std::vector<rz::commands::ProgramPlace> own;
  int code = kExitFailed;
  try {
    code = o.machine ? RunOnMachine(o, ui, transcript, human, end, own)
                     : RunOnHardware(o, ui, transcript, human, end, own);
  } catch (const rz::sim::ScenarioError& e) {
    Say(stderr, std::string("rzflash-cli: ") + e.what());
    end.AddProblem(e.what());
    return kExitUsage;
  }
  transcript.Exit(code);
  // A script trusts the transcript: a run whose transcript is missing did not succeed.
  if (o.transcript && !WriteTranscript(*o.transcript, transcriptPath, transcript.Text(), own, end))
    code = kExitFailed;
  return code;
}

// The program from its command line in UTF-8; `argumentProblem`, when there is one, says why the
// command line could not be read as text, and ends the run as a usage error.
int RunProgram(int argc, char** argv, const std::string& argumentProblem) {
  // Before anything is opened: no file may take a closed standard descriptor's place.
  if (!rz::platform::PrepareProcess()) return kExitFailed;
  rz::platform::PrepareStandardStreams();
  rz::cli::RunEnd end(rz::cli::ScanForJson(argc, argv));
  if (argumentProblem.empty()) return end.Finish(Main(argc, argv, end));
  Say(stderr, "rzflash-cli: " + argumentProblem);
  end.AddProblem(argumentProblem);
  return end.Finish(kExitUsage);
}

}  // namespace

#ifdef _WIN32
// Windows gives the command line in UTF-16 (linked with -municode).
int wmain(int argc, wchar_t** argv) {
  return rz::platform::win::RunWithUtf8(argc, argv, RunProgram);
}
#else
int main(int argc, char** argv) { return RunProgram(argc, argv, {}); }
#endif
