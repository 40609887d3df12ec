// The fault matrix: the save and flash commands on an emulated preset machine, once without a
// fault and then with one injected fault per run, and the invariants every run must keep whatever
// went wrong (no lost BIOS, no success claimed for a failure, the card's access switched off).
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/devices/Machine.h"

namespace rz::test::matrix {

using Bytes = std::vector<std::uint8_t>;

enum class Command { Save, Flash };
const char* CommandName(Command c);

enum class FaultKind {
  None,
  Request,     // the driver request numbered `at` (counting all kinds from start-up) fails
  Map,         // every map request from the one numbered `at` on fails
  StuckBusy,   // the chip's first program, erase or status write never finishes
  StuckCells,  // the cell at offset `at` will not program
  PowerCut,    // the power goes after `at` page operations (or `at` bytes on byte-program chips)
  DiskFull,    // the disk is full from the file write numbered `at` on
  VendorTool,  // the vendor tool behaves as `tool` says
};
const char* FaultKindName(FaultKind k);

struct Fault {
  FaultKind kind = FaultKind::None;
  std::uint64_t at = 0;
  nlohmann::json tool;  // VendorTool: the scenario's "vendor_tool" value
};

// One run of the matrix. Its description replays it (RZFLASH_FAULT_MATRIX_POINT).
struct Point {
  std::string preset;
  Command command = Command::Save;
  Fault fault;
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
  bool successShown = false;                // a "... completed!!!" message was shown
  std::optional<sim::InjectedFailure> injected;
  bool promAccessOn = false;
  std::size_t liveMappings = 0;
  std::uint64_t requestsBefore = 0, requestsAfter = 0;  // driver requests at command start / end
  std::uint64_t mapsBefore = 0, mapsAfter = 0;
  std::uint64_t writesBefore = 0, writesAfter = 0;      // file writes and copies
  std::uint64_t failedRequests = 0;
  std::uint64_t pageOperations = 0, bytesProgrammed = 0;
  bool byteProgramChip = false;
  bool chipStuck = false;  // the chip was given work and stays busy for ever
  bool powerCut = false;
  Bytes chipBefore, chipAfter;
  std::string targetEarlier;  // what the save target held before
  Bytes target;               // what it holds after
  std::vector<std::string> strayFiles;            // new files beside the target, or temporary ones
  std::map<std::string, Bytes> safetyBackups;     // files in the program folder's Backups, by path
};

// Runs `point` on a fresh machine of its preset.
Observation RunPoint(const Point& point);

// Whether the injected fault had any effect in the run.
bool FaultFired(const Point& point, const Observation& o);

// The invariants, each checked against the run and the same command's fault-free run.
enum class Invariant { NoCrash, AccessOff, Reported, TargetKept, ChipSafe };
inline constexpr Invariant kInvariants[] = {Invariant::NoCrash, Invariant::AccessOff,
                                            Invariant::Reported, Invariant::TargetKept,
                                            Invariant::ChipSafe};
const char* InvariantName(Invariant i);

// Violations of the invariants, one text each; empty when the run kept them all.
std::map<Invariant, std::string> Check(const Point& point, const Observation& o,
                                       const Observation& clean);

}  // namespace rz::test::matrix
