// SPDX-License-Identifier: GPL-3.0-or-later
// The fault matrix's verdicts: whether a point's fault fired, and which invariants its run broke.
#include <algorithm>
#include <map>
#include <string>

#include "commands/HistoryNote.h"
#include "commands/RestoreHint.h"
#include "commands/SafetyBackup.h"
#include "hw/DriverRequests.h"
#include "sim/seams/VendorToolBehaviour.h"
#include "support/FaultMatrix.h"
#include "ui/Ui.h"

namespace rz::test::matrix {

namespace {

bool Fired(const Fault& f, const Observation& o) {
  switch (f.kind) {
    case FaultKind::None: return false;
    case FaultKind::Request: return o.injected.has_value();
    case FaultKind::Map: return o.mapsAfter > f.at;
    case FaultKind::DiskFull: return o.writesAfter > f.at;
    case FaultKind::FileCall: return o.failedFileCall.has_value();
    case FaultKind::StuckBusy: return o.chipStuck;
    case FaultKind::StuckCells: return o.bytesProgrammed > f.at && o.chipAfter.size() > f.at &&
                                       o.chipAfter[f.at] != o.chipBefore[f.at];
    case FaultKind::PowerCut: return o.powerCut;
    case FaultKind::VendorTool: {
      if (f.at >= o.toolLaunches.size()) return false;
      const sim::VendorToolBehaviour b = sim::ParseVendorToolBehaviour(f.tool, "vendor_tool");
      const bool program = o.toolLaunches[f.at].find("-p ") != std::string::npos;
      const sim::ToolOutcome t = program ? b.program : b.save;
      return t.mode != sim::ToolOutcome::Mode::Ok || t.exitCode != sim::kToolExitOk;
    }
  }
  return false;
}

bool IsRequestFailureText(const std::string& t) {
  return t == hw::kPortRequestFailed || t == hw::kMapRequestFailed ||
         t == hw::kUnmapRequestFailed;
}

bool ChangesChip(Command c) { return c == Command::Flash || c == Command::Stock; }

// Whether the chip ends as before the command, and as in the fault-free run.
bool AsBefore(const Observation& o) {
  return o.chipAsBefore ? *o.chipAsBefore : o.chipAfter == o.chipBefore;
}
bool AsClean(const Observation& o, const Observation& clean) {
  return o.chipAsClean ? *o.chipAsClean : o.chipAfter == clean.chipAfter;
}

}  // namespace

bool FaultFired(const Point& point, const Observation& o) { return Fired(point.fault, o); }

std::map<Invariant, std::string> Check(const Point& point, const Observation& o,
                                       const Observation& clean) {
  std::map<Invariant, std::string> v;
  if (!o.crash.empty()) {
    v[Invariant::NoCrash] = "threw: " + o.crash;
    return v;
  }
  if (!o.ready && point.command != Command::Startup) {
    v[Invariant::Reported] = "start-up did not reach the main window";
    return v;
  }

  if (o.promAccessOn || o.liveMappings != 0) {
    const bool unmapFailed = o.injected && o.injected->kind == sim::RequestKind::Unmap;
    if (o.promAccessOn || !unmapFailed || o.failureNotices.empty())
      v[Invariant::AccessOff] = std::string(o.promAccessOn ? "PROM access left on" : "") +
                                (o.liveMappings ? " window left mapped" : "");
  }

  // A power cut after the chip's last write leaves the new image whole: success is then true.
  const bool cutAfterTheWork = AsClean(o, clean);
  const auto fired = [&](bool all) {
    const auto one = [&](const Fault& f) {
      const bool mayPass = f.kind == FaultKind::FileCall ||
                           (f.kind == FaultKind::PowerCut && cutAfterTheWork);
      return (all || !mayPass) && Fired(f, o);
    };
    return one(point.fault) || (point.second && one(*point.second));
  };
  // The history is written last and never changes a command's result: a fault that hit it is
  // seen in its notice, which may stay on the status line.
  const std::string historyNotice = std::string("status: ") + commands::kHistoryNotWrittenStart;
  const bool historyNoticed = std::any_of(o.lines.begin(), o.lines.end(), [&](const auto& l) {
    return l.starts_with(historyNotice);
  });
  // A failed file call may pass unseen when the command still got everything right (the checks
  // of the target and the chip below tell whether it did): a scratch file it did not need, an
  // optional file. So may a fault at start-up, as long as what the labels show is not wrong.
  const bool unseenIsWrong = fired(false) && point.command != Command::Startup;
  std::string wrongLabel;
  for (std::size_t i = 0; i < o.labels.size() && i < clean.labels.size(); ++i)
    if (!o.labels[i].empty() && o.labels[i] != clean.labels[i])
      wrongLabel = "a label shows \"" + o.labels[i] + "\" for \"" + clean.labels[i] + "\"";
  if (o.completed != o.successShown) {
    v[Invariant::Reported] =
        o.completed ? "completed without its message" : "success shown for a failure";
  } else if (!o.completed && o.failureNotices.empty()) {
    v[Invariant::Reported] = "failed without a message";
  } else if (unseenIsWrong && o.completed && !historyNoticed) {
    v[Invariant::Reported] = "the fault fired and the command reported success";
  } else if (!fired(true) && o.completed != clean.completed) {
    v[Invariant::Reported] = "a fault that did not fire changed the outcome";
  } else if (point.command == Command::Startup && !wrongLabel.empty()) {
    v[Invariant::Reported] = wrongLabel;
  }

  // One failed request, one message; the status line tells the same as the messages.
  const auto requestMessages =
      std::count_if(o.failureNotices.begin(), o.failureNotices.end(), IsRequestFailureText);
  // Two driver faults in one run (a failed request and failing maps) may each show their own.
  const auto driverFault = [](const Fault& f) {
    return f.kind == FaultKind::Request || f.kind == FaultKind::Map;
  };
  const long driverFaults = std::max<long>(
      1, driverFault(point.fault) + (point.second && driverFault(*point.second)));
  if (requestMessages > driverFaults) {
    v[Invariant::OneMessage] = std::to_string(requestMessages) + " driver failure messages";
  } else if (o.status && *o.status == ui::kStatusBusy) {
    v[Invariant::OneMessage] = "the status line still says the program is busy";
  } else if (o.status && o.status->starts_with(commands::kHistoryNotWrittenStart)) {
    // The notice is the status line's last word, after the command's own end.
  } else if (o.status && o.completed && *o.status != ui::kStatusReady) {
    v[Invariant::OneMessage] = "success, but the status line says " + *o.status;
  } else if (o.status && !o.completed && *o.status != ui::kStatusReady && *o.status != "Fail !!" &&
             std::count(o.failureNotices.begin(), o.failureNotices.end(), *o.status) == 0) {
    v[Invariant::OneMessage] = "the status line says " + *o.status + ", which no message said";
  }

  std::string target;
  const std::string after(o.target.begin(), o.target.end());
  if (after != o.targetEarlier && o.target != clean.target)
    target = "the save target holds " + std::to_string(o.target.size()) + " bytes of neither";
  else if (point.command == Command::Save && o.completed && o.target != clean.target)
    target = "success, but the target is not the card's image";
  for (const auto& [path, backup] : o.safetyBackups)
    if (!backup.oldChip)
      target += " safety backup " + path + " (" + std::to_string(backup.size) +
                " bytes) is not the old chip";
  // A file left because removing it was the call that failed is no fault of the program's.
  for (const auto& name : o.strayFiles)
    if (!o.failedFileCall || !o.failedFileCall->starts_with("remove ") ||
        !o.failedFileCall->ends_with(name))
      target += " left " + name;
  if (!target.empty()) v[Invariant::TargetKept] = target;

  // The card keeps a whole BIOS: the old one (a failed flash writes it back itself), or the new one (verified: the failure reported after it concerns what came
  // later), or the user was told that the old one could not be written back and where it was
  // kept, and after a power cut flashing that file gave the card back.
  const bool newImage = clean.completed && AsClean(o, clean);
  const bool asBefore = AsBefore(o);
  const auto shown = [&](const std::string& text) {
    return std::count(o.failureNotices.begin(), o.failureNotices.end(), text) != 0;
  };
  const bool restoreClaimed = std::any_of(
      o.failureNotices.begin(), o.failureNotices.end(),
      [](const std::string& t) { return t.starts_with(commands::kRestoredText); });
  if (restoreClaimed && !asBefore) {
    v[Invariant::ChipSafe] = "the previous BIOS was said to be written back, but the chip differs";
  } else if (!ChangesChip(point.command) && !asBefore) {
    v[Invariant::ChipSafe] = std::string("the ") + CommandName(point.command) + " changed the chip";
  } else if (o.completed && !newImage && clean.completed) {
    v[Invariant::ChipSafe] = asBefore
                                 ? "success reported, but the chip still holds the old image"
                                 : "success reported, but the chip holds neither image";
  } else if (!asBefore && !newImage) {
    const bool named = std::any_of(
        o.safetyBackups.begin(), o.safetyBackups.end(), [&](const auto& backup) {
          const std::string hint = commands::RestoreHintText(backup.first);
          return backup.second.oldChip &&
                 shown(commands::RestoreFailedText(hint));
        });
    if (!named)
      v[Invariant::ChipSafe] =
          "the chip holds neither image and no failed restore with a backup of the old one was "
          "named";
  }
  if (!v.count(Invariant::ChipSafe) && o.restoreProblem && !o.restoreProblem->empty())
    v[Invariant::ChipSafe] = "after the power cut: " + *o.restoreProblem;
  return v;
}

}  // namespace rz::test::matrix
