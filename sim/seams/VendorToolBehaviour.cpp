// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/VendorToolBehaviour.h"

#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

namespace {

ToolOutcome ParseToolOutcome(const nlohmann::json& v, const std::string& path) {
  ToolOutcome b;
  if (v.is_object() && v.contains("seconds")) {
    for (const auto& [key, value] : v.items())
      if (key != "seconds" && key != "as")
        throw ScenarioError(path + " with \"seconds\" takes \"as\" and nothing else");
    if (v.contains("as") && v.at("as").is_object() && v.at("as").contains("seconds"))
      throw ScenarioError(path + ".as cannot name seconds again");
    if (v.contains("as")) b = ParseToolOutcome(v.at("as"), path + ".as");
    const auto seconds = ParseNumber(v.at("seconds"), path + ".seconds");
    if (seconds > 24 * 3600) throw ScenarioError(path + ".seconds above a day");
    b.runSeconds = static_cast<std::uint32_t>(seconds);
    return b;
  }
  if (v.is_object() && v.contains("exit_code") && v.size() == 1) {
    const auto code = ParseNumber(v.at("exit_code"), path + ".exit_code");
    if (code > 255) throw ScenarioError(path + ".exit_code above 255");
    b.exitCode = static_cast<int>(code);
    return b;
  }
  const std::string mode = v.is_string() ? v.get<std::string>() : std::string();
  if (mode == "ok") b.mode = ToolOutcome::Mode::Ok;
  else if (mode == "missing") b.mode = ToolOutcome::Mode::Missing;
  else if (mode == "fails") b.mode = ToolOutcome::Mode::Fails;
  else if (mode == "silent") b.mode = ToolOutcome::Mode::Silent;
  else if (mode == "garbles") b.mode = ToolOutcome::Mode::Garbles;
  else
    throw ScenarioError(
        path + " must be \"ok\", \"missing\", \"fails\", \"silent\", \"garbles\", "
        "{\"exit_code\": N}, {\"seconds\": S, \"as\": ...}, "
        "{\"save\": ..., \"program\": ...} or {\"launch\": N, \"as\": ...}");
  return b;
}

}  // namespace

VendorToolBehaviour ParseVendorToolBehaviour(const nlohmann::json& v, const std::string& path) {
  VendorToolBehaviour b;
  if (v.is_object() && v.contains("launch")) {
    if (v.size() != 2 || !v.contains("as"))
      throw ScenarioError(path + " with \"launch\" takes \"as\" and nothing else");
    if (v.at("as").is_object() && v.at("as").contains("launch"))
      throw ScenarioError(path + ".as cannot name a launch again");
    b = ParseVendorToolBehaviour(v.at("as"), path + ".as");
    b.onlyLaunch = ParseNumber(v.at("launch"), path + ".launch");
    return b;
  }
  if (v.is_object() && (v.contains("save") || v.contains("program"))) {
    for (const auto& [key, value] : v.items())
      if (key != "save" && key != "program")
        throw ScenarioError(path + ": unknown operation \"" + key + "\"");
    if (v.contains("save")) b.save = ParseToolOutcome(v.at("save"), path + ".save");
    if (v.contains("program")) b.program = ParseToolOutcome(v.at("program"), path + ".program");
    return b;
  }
  b.save = b.program = ParseToolOutcome(v, path);
  return b;
}

}  // namespace rz::sim
