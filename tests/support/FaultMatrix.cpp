// SPDX-License-Identifier: GPL-3.0-or-later
// Names of the fault matrix's commands, faults and invariants, and the one-line form of a point.
#include "support/FaultMatrix.h"

#include <algorithm>
#include <iterator>
#include <sstream>

#include "commands/StockBios.h"
#include "sim/devices/AtiCard.h"
#include "sim/scenario/Presets.h"

namespace rz::test::matrix {

using nlohmann::json;

namespace {

constexpr FaultKind kKinds[] = {FaultKind::None,       FaultKind::Request,  FaultKind::Map,
                                FaultKind::StuckBusy,  FaultKind::StuckCells, FaultKind::PowerCut,
                                FaultKind::DiskFull,   FaultKind::FileCall, FaultKind::VendorTool};

bool HasNumber(FaultKind k) { return k != FaultKind::None && k != FaultKind::StuckBusy; }

std::string DescribeFault(const Fault& f) {
  std::string text = FaultKindName(f.kind);
  if (HasNumber(f.kind)) text += " " + std::to_string(f.at);
  if (f.kind == FaultKind::VendorTool) text += " " + f.tool.dump();
  return text;
}

std::optional<Fault> ParseFault(const std::string& text) {
  std::istringstream in(text);
  std::string kind;
  if (!(in >> kind)) return std::nullopt;
  const auto k = std::find_if(std::begin(kKinds), std::end(kKinds),
                              [&](FaultKind f) { return kind == FaultKindName(f); });
  if (k == std::end(kKinds)) return std::nullopt;
  Fault f;
  f.kind = *k;
  if (HasNumber(f.kind) && !(in >> f.at)) return std::nullopt;
  if (f.kind == FaultKind::VendorTool) {
    std::string rest;
    std::getline(in, rest);
    try {
      f.tool = json::parse(rest);
    } catch (const json::exception&) {
      return std::nullopt;
    }
  } else if (std::string rest; in >> rest) {
    return std::nullopt;
  }
  return f;
}

}  // namespace

const char* CommandName(Command c) {
  switch (c) {
    case Command::Startup: return "startup";
    case Command::Save: return "save";
    case Command::Flash: return "flash";
    case Command::Verify: return "verify";
    case Command::Stock: return "stock";
  }
  return "?";
}

const char* FaultKindName(FaultKind k) {
  switch (k) {
    case FaultKind::None: return "none";
    case FaultKind::Request: return "request";
    case FaultKind::Map: return "map";
    case FaultKind::StuckBusy: return "stuck-busy";
    case FaultKind::StuckCells: return "stuck-cell";
    case FaultKind::PowerCut: return "power-cut";
    case FaultKind::DiskFull: return "disk-full";
    case FaultKind::FileCall: return "file-call";
    case FaultKind::VendorTool: return "vendor-tool";
  }
  return "?";
}

const char* InvariantName(Invariant i) {
  switch (i) {
    case Invariant::NoCrash: return "no crash";
    case Invariant::AccessOff: return "access off";
    case Invariant::Reported: return "reported";
    case Invariant::OneMessage: return "one message";
    case Invariant::TargetKept: return "target kept";
    case Invariant::ChipSafe: return "chip safe";
  }
  return "?";
}

bool HasCommand(const std::string& preset, Command command) {
  if (command != Command::Stock) return true;
  const sim::ScenarioRecipe recipe = sim::MaterializePreset(preset, "/nonexistent");
  const auto& a = recipe.adapters.at(0);
  return a.vendorId != sim::kAtiVendorId && commands::HasStockBiosOffer(a.subsystemId);
}

// "PRESET COMMAND FAULT [+ FAULT]"; a fault is "KIND [N] [TOOL-JSON]".
std::string Point::Describe() const {
  std::string text = preset + " " + CommandName(command) + " " + DescribeFault(fault);
  if (second) text += " + " + DescribeFault(*second);
  return text;
}

std::optional<Point> ParsePoint(const std::string& text) {
  std::istringstream in(text);
  Point p;
  std::string command;
  if (!(in >> p.preset >> command)) return std::nullopt;
  const auto c = std::find_if(std::begin(kCommands), std::end(kCommands),
                              [&](Command k) { return command == CommandName(k); });
  if (c == std::end(kCommands)) return std::nullopt;
  p.command = *c;
  std::string rest;
  std::getline(in, rest);
  const std::size_t plus = rest.find(" + ");
  const auto first = ParseFault(rest.substr(0, plus));
  if (!first) return std::nullopt;
  p.fault = *first;
  if (plus != std::string::npos) {
    p.second = ParseFault(rest.substr(plus + 3));
    if (!p.second) return std::nullopt;
  }
  return p;
}

}  // namespace rz::test::matrix
