// SPDX-License-Identifier: GPL-3.0-or-later
// The fault matrix: every command that touches the card, on an emulated preset machine, once
// without a fault and then with injected faults, and the invariants every run must keep whatever
// went wrong (no lost BIOS, no success claimed for a failure, the card's access switched off).
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/devices/Machine.h"

namespace rz::test::matrix {

using Bytes = std::vector<std::uint8_t>;

// Start-up is the detection every command begins with (and all the `info` command shows); save
// and flash are the window's buttons, which the terminal's commands call as well.
enum class Command { Startup, Save, Flash, Verify, Stock };
inline constexpr Command kCommands[] = {Command::Startup, Command::Save, Command::Flash,
                                        Command::Verify, Command::Stock};
const char* CommandName(Command c);

enum class FaultKind {
  None,
  Request,     // the driver request numbered `at` (counting all kinds from start-up) fails
  Map,         // every map request from the one numbered `at` on fails
  StuckBusy,   // the chip's first program, erase or status write never finishes
  StuckCells,  // the cell at offset `at` will not program
  PowerCut,    // the power goes after `at` page operations (or `at` bytes on byte-program chips)
  DiskFull,    // the disk is full from the file write numbered `at` on
  FileCall,    // the file call numbered `at` fails (open, read, write, flush, close, rename, ...)
  VendorTool,  // the vendor tool's launch numbered `at` behaves as `tool` says
};
const char* FaultKindName(FaultKind k);

struct Fault {
  FaultKind kind = FaultKind::None;
  std::uint64_t at = 0;
  nlohmann::json tool;  // VendorTool: a "vendor_tool" value
};

// One run of the matrix: one fault, or two. Its description replays it
// (RZFLASH_FAULT_MATRIX_POINT).
struct Point {
  std::string preset;
  Command command = Command::Save;
  Fault fault;
  std::optional<Fault> second;
  std::string Describe() const;
};
// Reads a description made by Point::Describe; nullopt when it is not one.
std::optional<Point> ParsePoint(const std::string& text);

// What one run left behind.
struct Observation {
  std::string crash;       // what was thrown out of the program; empty when nothing
  bool ready = false;      // start-up reached the main window
  bool completed = false;  // the command said it reached its end
  std::vector<std::string> lines;           // the command's transcript
  std::vector<std::string> toolLaunches;    // parameters of every vendor tool launch of the run
  std::vector<std::string> failureNotices;  // messages shown that are no success or warning
  bool successShown = false;                // the command's success was shown
  std::optional<std::string> status;        // the status line at the end
  std::vector<std::string> labels;          // the card's three labels at the end ("" when none)
  std::optional<sim::InjectedFailure> injected;
  std::optional<std::string> failedFileCall;
  bool promAccessOn = false;
  std::size_t liveMappings = 0;
  std::uint64_t requestsBefore = 0, requestsAfter = 0;  // driver requests at command start / end
  std::uint64_t mapsBefore = 0, mapsAfter = 0;
  std::uint64_t writesBefore = 0, writesAfter = 0;      // file writes and copies
  std::uint64_t callsBefore = 0, callsAfter = 0;        // file calls
  std::uint64_t launchesBefore = 0;                     // vendor tool launches before the command
  std::uint64_t failedRequests = 0;
  std::uint64_t operationsBefore = 0, operations = 0;   // chip pages (or bytes) before, during
  bool byteProgramChip = false;
  std::uint64_t bytesProgrammed = 0;
  bool chipStuck = false;  // the chip was given work and stays busy for ever
  bool powerCut = false;
  Bytes chipBefore, chipAfter;
  // Set by a branch, which leaves chipAfter empty: whether the chip ends as it was before the
  // command, and as the fault-free run left it.
  std::optional<bool> chipAsBefore, chipAsClean;
  std::string targetEarlier;  // what the save target held before
  Bytes target;               // what it holds after
  std::vector<std::string> strayFiles;            // new files beside the target, or temporary ones
  struct Backup {
    std::uint64_t size = 0;
    bool oldChip = false;  // it holds what the chip held before the command
  };
  std::map<std::string, Backup> safetyBackups;    // files in the program folder's Backups, by path
  // After a power cut: what flashing the backup the failure named gave on the next start
  // (nullopt: not tried; empty: the card came back byte for byte).
  std::optional<std::string> restoreProblem;
};

// The counts a second fault is numbered in, at a moment of a run.
struct Moment {
  std::uint64_t requests = 0, fileCalls = 0, fileWrites = 0;
  bool chipWritten = false;  // the command has erased or programmed the chip
};

// Where a run may branch into faulted copies of itself: RunPoint calls At at every moment of its
// command where a fault could strike (before each driver request, after each chip operation),
// with what makes the fault happen there (and the second fault Second names, if any); a branch
// ends in End.
class Branches {
 public:
  virtual ~Branches() = default;
  virtual void At(FaultKind kind, std::uint64_t n, const Moment& now,
                  const std::function<void()>& inject) = 0;
  // The run's observation; a branch reports it and never returns.
  virtual void End(const Observation& o) = 0;
  // Whether this process is a branch, the second fault it adds, and whether it tries the restore
  // after a power cut.
  virtual bool InBranch() const = 0;
  virtual std::optional<Fault> Second() const = 0;
  virtual bool RestoreInBranch() const = 0;
  // What the fault-free run left on the chip.
  virtual const Bytes& CleanChip() const = 0;
};

struct RunOptions {
  Branches* branches = nullptr;
  // After a power cut, flash the named backup onto the card on a new start.
  bool tryRestore = true;
};

// Whether the preset's card can run `command` at all (the stock flash needs a board offered one).
bool HasCommand(const std::string& preset, Command command);

// Runs `point` on a fresh machine of its preset.
Observation RunPoint(const Point& point, const RunOptions& options = {});

// Whether the injected fault (the point's first) had any effect in the run.
bool FaultFired(const Point& point, const Observation& o);

// The invariants, each checked against the run and the same command's fault-free run.
enum class Invariant { NoCrash, AccessOff, Reported, OneMessage, TargetKept, ChipSafe };
inline constexpr Invariant kInvariants[] = {Invariant::NoCrash,    Invariant::AccessOff,
                                            Invariant::Reported,   Invariant::OneMessage,
                                            Invariant::TargetKept, Invariant::ChipSafe};
const char* InvariantName(Invariant i);

// Violations of the invariants, one text each; empty when the run kept them all.
std::map<Invariant, std::string> Check(const Point& point, const Observation& o,
                                       const Observation& clean);

}  // namespace rz::test::matrix
