// rzflash-cli: the terminal front end. Runs the program's start-up, detection and commands on this
// computer's hardware or on an emulated machine, with a terminal Ui and an optional transcript.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Detection.h"
#include "app/ExitCodes.h"
#include "app/Program.h"
#include "app/ProgramFolders.h"
#include "app/Session.h"
#include "base/Utf8Path.h"
#include "cli/CardProblem.h"
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
using rz::cli::Command;

using rz::app::kExitFailed;
using rz::app::kExitNoDriver;
using rz::app::kExitOk;
using rz::app::kExitUsage;

// A line for people on `to`, shown at once: on a Windows console the standard streams are
// buffered (see PrepareStandardStreams), and the order of the lines on both streams is kept.
void Say(std::FILE* to, const std::string& line) {
  std::fprintf(to, "%s\n", line.c_str());
  std::fflush(to);
}

// `path` (UTF-8, as every text of the program) made absolute.
std::string Absolute(const std::string& path) {
  return rz::Utf8FromPath(fs::absolute(rz::PathFromUtf8(path)));
}

// Written on standard error at the moment the first request to stop is held.
constexpr const char* kHeldInterruptNotice =
    "Flashing: the card must not be interrupted; the program will stop when the flash is done.";

// The adapters as the `adapters` command lists them. Detection reads RZFLASH.CFG on the NVIDIA
// road only; on the others the listing reads it here, quietly, so that every command gives the
// same answer about an adapter.
std::vector<rz::commands::AdapterListing> Adapters(rz::app::Program& program) {
  if (program.asics.built) return rz::commands::ListAdapters(program.adapters, program.asics);
  rz::config::AsicTable table;
  rz::config::ReadAsicTable(table, program.programFolder, program.Seams().files);
  return rz::commands::ListAdapters(program.adapters, table);
}

int Info(rz::app::Program& program, rz::cli::TerminalUi& ui,
         const std::optional<std::string>& problem, rz::cli::RunEnd& end) {
  if (problem) {
    Say(stderr, "rzflash-cli: " + *problem);
    end.AddProblem(*problem);
  }
  if (auto* json = end.Json()) {
    const auto& card = program.state.card;
    rz::cli::WriteCardMembers(*json, Adapters(program));
    rz::cli::WriteOptional(*json, "bios_version", ui.Label(rz::ui::Label::BiosVersion));
    rz::cli::WriteOptional(*json, "eeprom_name", ui.Label(rz::ui::Label::EepromName));
    rz::cli::WriteOptional(*json, "eeprom_size", ui.Label(rz::ui::Label::EepromSize));
    json->Key("model_name").String(card.CardModelName);
    json->Key("backup_file_name").String(card.BackupFileName);
    // The number comes from the card's "$RZ" block; a card without one has none.
    json->Key("card_number");
    if (program.state.cardNumber == rz::eeprom::kNoCardNumber)
      json->Null();
    else
      json->Number(program.state.cardNumber);
  }
  return problem ? kExitFailed : kExitOk;
}

int ListAdapters(rz::app::Program& program, std::FILE* human, rz::cli::RunEnd& end) {
  const auto adapters = Adapters(program);
  for (const auto& a : adapters) Say(human, rz::cli::AdapterLine(a));
  if (adapters.empty()) {
    const char* const none = "no display adapter of the maker or of ATI was found";
    Say(stderr, std::string("rzflash-cli: ") + none);
    end.AddProblem(none);
  }
  if (auto* json = end.Json()) rz::cli::WriteAdaptersJson(*json, adapters, program.asics.built);
  return adapters.empty() ? kExitFailed : kExitOk;
}

int Verify(const rz::cli::Options& o, rz::app::Program& program, std::FILE* human,
           rz::cli::RunEnd& end) {
  auto ctx = program.Commands();
  const auto report = rz::commands::VerifyCard(ctx, Absolute(o.file));
  Say(human, rz::commands::VerifyText(report));
  if (const auto problem = rz::cli::VerifyProblem(report)) end.AddProblem(*problem);
  if (auto* json = end.Json()) {
    rz::cli::WriteCardMembers(*json, Adapters(program));
    rz::cli::WriteVerifyMembers(*json, o.file, report);
  }
  return report.status == rz::commands::VerifyReport::Status::Match ? kExitOk : kExitFailed;
}

int Flash(const rz::cli::Options& o, rz::app::Program& program, rz::cli::TerminalUi& ui) {
  auto ctx = program.Commands();
  // The terminal flashes what its command line names: FILE, or with --stock the stock BIOS. The
  // offer is shown answered that way and takes none of the --answer values.
  if (o.stock && !rz::commands::HasStockBiosOffer(ctx.Adapter0().SubsystemId())) {
    Say(stderr, "rzflash-cli: this board has no stock BIOS; name the file to flash");
    return kExitFailed;
  }
  if (!o.stock) ui.SetDialogAnswer(Absolute(o.file));
  const auto stock = o.stock ? rz::commands::StockOffer::Take : rz::commands::StockOffer::Decline;
  return rz::commands::btFlashClick(ctx, stock) == rz::commands::FlashOutcome::Completed
             ? kExitOk
             : kExitFailed;
}

// Whether the command reached what it is for. `human` takes the command's own lines.
int RunCommand(const rz::cli::Options& o, rz::app::Program& program, rz::cli::TerminalUi& ui,
               std::FILE* human, rz::cli::RunEnd& end) {
  auto ctx = program.Commands();
  const auto problem =
      rz::cli::DescribeCardProblem(program, o.command, ui.Label(rz::ui::Label::BiosVersion).has_value());
  switch (o.command) {
    case Command::Info:
      return Info(program, ui, problem, end);
    case Command::Adapters:
      return ListAdapters(program, human, end);
    case Command::Verify:
      return Verify(o, program, human, end);
    case Command::Save:
      ui.SetDialogAnswer(Absolute(o.file));
      if (rz::commands::btSaveClick(ctx)) return kExitOk;
      if (problem) Say(stderr, "rzflash-cli: nothing was saved: " + *problem);
      return kExitFailed;
    case Command::Flash:
      return Flash(o, program, ui);
    default:
      return kExitUsage;
  }
}

// The adapters command looks at the scan and the configuration file only: the card is not read.
bool ScanOnly(rz::app::Program& p) {
  rz::hw::ScanDisplayAdapters(p.io, p.adapters);
  rz::app::SetCardVendor(p);
  rz::config::LoadAsicTable(p.asics, p.programFolder, p.Seams().files, p.GetUi());
  return true;
}

// `host` is this computer's platform when the program runs on hardware, else null. `own` brings
// the places of own files beyond the run's program (none on hardware) and takes back all of
// them. A request to stop that was held while the card was written ends the run with
// kExitInterrupted.
int Run(const rz::cli::Options& o, rz::platform::Platform& base, rz::cli::TerminalUi& ui,
        rz::ui::Transcript& transcript, rz::platform::HostPlatform* host, std::FILE* human,
        rz::cli::RunEnd& end, std::vector<rz::commands::ProgramPlace>& own) {
  if (base.interrupts) base.interrupts->SetNotice(kHeldInterruptNotice);
  rz::app::Session session(base, ui, transcript,
                           o.command == Command::Adapters ? ScanOnly : rz::app::DetectCard);
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
      break;
    case rz::app::StartResult::Ready:
      code = RunCommand(o, program, ui, human, end);
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
