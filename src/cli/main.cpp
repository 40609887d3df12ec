// rzflash-cli: the terminal front end. Runs the program's start-up, detection and commands on this
// computer's hardware or on an emulated machine, with a terminal Ui and an optional transcript.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "app/Detection.h"
#include "app/Program.h"
#include "app/RecordingSeams.h"
#include "base/BuildConfig.h"
#include "cli/CardProblem.h"
#include "cli/Options.h"
#include "cli/Preflight.h"
#include "cli/TerminalUi.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "platform/HostPlatform.h"
#include "platform/PrivateFolder.h"
#include "ui/RecordingUi.h"
#include "sim/EmulatedPlatform.h"
#include "sim/Presets.h"

namespace {

namespace fs = std::filesystem;
using rz::cli::Command;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoDriver = 3;
// The flash was asked to stop while it wrote the card: it finished first (the shell's code for
// an interrupted program).
constexpr int kExitInterrupted = 130;

// Written on standard error at the moment the first request to stop is held.
constexpr const char* kHeldInterruptNotice =
    "Flashing: the card must not be interrupted; the program will stop when the flash is done.";

// Whether the command reached what it is for.
int RunCommand(const rz::cli::Options& o, rz::app::Program& program, rz::cli::TerminalUi& ui) {
  auto ctx = program.Commands();
  const auto problem =
      rz::cli::DescribeCardProblem(program, o.command, ui.Label(rz::ui::Label::BiosVersion).has_value());
  switch (o.command) {
    case Command::Info:
      if (!problem) return kExitOk;
      std::fprintf(stderr, "rzflash-cli: %s\n", problem->c_str());
      return kExitFailed;
    case Command::Save:
      ui.SetDialogAnswer(fs::absolute(o.file).string());
      if (rz::commands::btSaveClick(ctx)) return kExitOk;
      if (problem) std::fprintf(stderr, "rzflash-cli: nothing was saved: %s\n", problem->c_str());
      return kExitFailed;
    case Command::Flash:
      ui.SetDialogAnswer(fs::absolute(o.file).string());
      return rz::commands::btFlashClick(ctx) == rz::commands::FlashOutcome::Completed ? kExitOk
                                                                                      : kExitFailed;
    default:
      return kExitUsage;
  }
}

// `host` is this computer's platform when the program runs on hardware, else null. A request
// to stop that was held while the card was written ends the run with kExitInterrupted.
int Run(const rz::cli::Options& o, rz::platform::Platform& base, rz::cli::TerminalUi& ui,
        rz::ui::Transcript& transcript, rz::platform::HostPlatform* host) {
  if (base.interrupts) base.interrupts->SetNotice(kHeldInterruptNotice);
  rz::app::RecordingPlatform recorded(base, transcript);
  rz::ui::RecordingUi recordedUi(ui, transcript);
  rz::app::Program program(recorded.Seams(), recordedUi);
  program.detect = rz::app::DetectCard;
  const auto start = program.FormCreate();
  int code = kExitOk;
  switch (start) {
    case rz::app::StartResult::SecondInstance:
      return kExitFailed;
    case rz::app::StartResult::DriverFailed:
      if (host) std::fprintf(stderr, "%s\n", host->DescribeAccessProblem().c_str());
      code = kExitNoDriver;
      break;
    case rz::app::StartResult::EndedByDetection:
      code = kExitFailed;
      break;
    case rz::app::StartResult::Ready:
      code = RunCommand(o, program, ui);
      break;
  }
  program.FormDestroy();
  return rz::platform::InterruptHeld(base.interrupts) ? kExitInterrupted : code;
}

// Writes the transcript; on failure says why on standard error and returns false.
bool WriteTranscript(const std::string& path, const std::string& text) {
  errno = 0;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  bool ok = out != nullptr;
  if (ok) ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (out && std::fclose(out) != 0) ok = false;
  if (!ok) {
    const std::string reason = errno != 0 ? std::strerror(errno) : "the write stopped short";
    std::fprintf(stderr, "rzflash-cli: cannot write the transcript %s: %s\n", path.c_str(),
                 reason.c_str());
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  rz::platform::PrepareStandardStreams();
  std::string error;
  const auto options = rz::cli::ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "rzflash-cli: %s\n%s", error.c_str(), rz::cli::kUsage);
    return kExitUsage;
  }
  const auto& o = *options;
  if (o.command == Command::Help) {
    std::printf("%s", rz::cli::kUsage);
    return kExitOk;
  }
  if (o.command == Command::Version) {
    std::printf("rzflash-cli %s (%s)\nmaker subsystem vendor id: 0x%04X\n", rz::kProgramVersion,
                rz::ui::kApplicationTitle, rz::kMakerSubsystemVendorId);
    return kExitOk;
  }
  if (o.command == Command::Machines) {
    for (const auto& p : rz::sim::ListPresets())
      std::printf("%-20s %s\n", p.name.c_str(), p.description.c_str());
    return kExitOk;
  }

  if (const auto problem = rz::cli::CheckBeforeRun(o)) {
    std::fprintf(stderr, "rzflash-cli: %s\n", problem->message.c_str());
    return problem->exitCode;
  }

  rz::cli::TerminalUi ui(stdout, rz::platform::IsTerminal(stderr) ? stderr : nullptr, o.answers,
                         rz::platform::IsTerminal(stdin));
  rz::ui::Transcript transcript;
  int code = kExitFailed;
  try {
    if (o.machine) {
      const rz::platform::PrivateFolder folder("rzflash-machine-");
      const bool preset = rz::sim::IsPreset(*o.machine);
      if (preset && folder.Path().empty()) throw rz::sim::ScenarioError(folder.Error());
      auto recipe = preset ? rz::sim::MaterializePreset(*o.machine, folder.Path())
                         : rz::sim::LoadScenarioFile(*o.machine);
      for (const auto& w : recipe.warnings)
        std::fprintf(stderr, "rzflash-cli: warning: %s\n", w.c_str());
      // A request to stop reaches the process as on hardware (the scenario's interrupt hook
      // delivers one the system's way), so the system's own hold takes it.
      const auto interrupts = rz::platform::MakeHostInterruptHold();
      rz::sim::EmulatedPlatform platform(std::move(recipe));
      platform.UseInterruptHold(*interrupts, rz::platform::DeliverInterrupt);
      // The program's line on standard output reaches the terminal as it would on hardware.
      platform.System().SetStdoutSink([](const std::string& line) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
      });
      code = Run(o, platform.Seams(), ui, transcript, nullptr);
      platform.Finish();
    } else {
      const auto host = rz::platform::MakeHostPlatform();
      code = Run(o, host->Seams(), ui, transcript, host.get());
    }
  } catch (const rz::sim::ScenarioError& e) {
    std::fprintf(stderr, "rzflash-cli: %s\n", e.what());
    return kExitUsage;
  }
  transcript.Exit(code);
  // A script trusts the transcript: a run whose transcript is missing did not succeed.
  if (o.transcript && !WriteTranscript(*o.transcript, transcript.Text())) return kExitFailed;
  return code;
}
