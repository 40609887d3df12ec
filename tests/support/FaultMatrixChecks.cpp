// The fault matrix's verdicts: whether a point's fault fired, and which invariants its run broke.
#include <algorithm>
#include <map>
#include <string>

#include "commands/SafetyBackup.h"
#include "sim/seams/VendorToolBehaviour.h"
#include "support/FaultMatrix.h"

namespace rz::test::matrix {

bool FaultFired(const Point& point, const Observation& o) {
  const Fault& f = point.fault;
  switch (f.kind) {
    case FaultKind::None: return false;
    case FaultKind::Request: return o.injected.has_value();
    case FaultKind::Map: return o.mapsAfter > f.at;
    case FaultKind::DiskFull: return o.writesAfter > f.at;
    case FaultKind::StuckBusy: return o.chipStuck;
    case FaultKind::StuckCells: return o.bytesProgrammed > f.at && o.chipAfter.size() > f.at &&
                                       o.chipAfter[f.at] != o.chipBefore[f.at];
    case FaultKind::PowerCut: return o.powerCut;
    case FaultKind::VendorTool: {
      const sim::VendorToolBehaviour b = sim::ParseVendorToolBehaviour(f.tool, "vendor_tool");
      auto bad = [](const sim::ToolOutcome& t) {
        return t.mode != sim::ToolOutcome::Mode::Ok || t.exitCode != sim::kToolExitOk;
      };
      // Start-up's own launch counts: a tool that failed there changes what the commands do.
      for (const auto& parameters : o.toolLaunches) {
        const bool program = parameters.find("-p ") != std::string::npos;
        if (bad(program ? b.program : b.save)) return true;
      }
      return false;
    }
  }
  return false;
}

std::map<Invariant, std::string> Check(const Point& point, const Observation& o,
                                       const Observation& clean) {
  std::map<Invariant, std::string> v;
  if (!o.crash.empty()) {
    v[Invariant::NoCrash] = "threw: " + o.crash;
    return v;
  }
  if (!o.ready) {
    v[Invariant::Reported] = "start-up did not reach the main window";
    return v;
  }

  if (o.promAccessOn || o.liveMappings != 0) {
    const bool unmapFailed = o.injected && o.injected->kind == sim::RequestKind::Unmap;
    if (o.promAccessOn || !unmapFailed || o.failureNotices.empty())
      v[Invariant::AccessOff] = std::string(o.promAccessOn ? "PROM access left on" : "") +
                                (o.liveMappings ? " window left mapped" : "");
  }

  const bool fired = FaultFired(point, o);
  if (o.completed != o.successShown) {
    v[Invariant::Reported] =
        o.completed ? "completed without its message" : "success shown for a failure";
  } else if (!o.completed && o.failureNotices.empty()) {
    v[Invariant::Reported] = "failed without a message";
  } else if (fired && o.completed) {
    v[Invariant::Reported] = "the fault fired and the command reported success";
  } else if (!fired && o.completed != clean.completed) {
    v[Invariant::Reported] = "a fault that did not fire changed the outcome";
  }

  std::string target;
  if (point.command == Command::Save) {
    const std::string after(o.target.begin(), o.target.end());
    if (after != o.targetEarlier && o.target != clean.target)
      target = "the save target holds " + std::to_string(o.target.size()) + " bytes of neither";
    else if (o.completed && o.target != clean.target)
      target = "success, but the target is not the card's image";
  }
  for (const auto& [path, bytes] : o.safetyBackups)
    if (bytes != o.chipBefore)
      target += " safety backup " + path + " (" + std::to_string(bytes.size()) +
                " bytes) is not the old chip";
  for (const auto& name : o.strayFiles) target += " left " + name;
  if (!target.empty()) v[Invariant::TargetKept] = target;

  // The card keeps a whole BIOS: the old one, or the new one (verified: the failure reported
  // after it concerns what came later), or the user was shown where the old one was kept.
  const bool newImage = clean.completed && o.chipAfter == clean.chipAfter;
  if (point.command == Command::Save && o.chipAfter != o.chipBefore) {
    v[Invariant::ChipSafe] = "the save changed the chip";
  } else if (o.completed && !newImage && clean.completed) {
    v[Invariant::ChipSafe] = o.chipAfter == o.chipBefore
                                 ? "success reported, but the chip still holds the old image"
                                 : "success reported, but the chip holds neither image";
  } else if (o.chipAfter != o.chipBefore && !newImage) {
    const bool named = std::any_of(
        o.safetyBackups.begin(), o.safetyBackups.end(), [&](const auto& backup) {
          return backup.second == o.chipBefore &&
                 std::count(o.failureNotices.begin(), o.failureNotices.end(),
                            commands::RestoreHintText(backup.first)) != 0;
        });
    if (!named)
      v[Invariant::ChipSafe] = "the chip holds neither image and no backup of the old one was named";
  }
  return v;
}

}  // namespace rz::test::matrix
