// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HistoryCommand.h"

#include "app/ExitCodes.h"
#include "app/ProgramFolders.h"
#include "platform/HostPlatform.h"
#include "sim/scenario/LoadMachine.h"
#include "sim/seams/EmulatedPlatform.h"

namespace rz::cli {

namespace {

std::string Shown(const std::string& text) {
  return text.empty() ? std::string("-") : commands::EscapeHistoryField(text);
}

std::string KeepFolderOf(platform::Platform& seams) {
  return app::ResolveProgramFolders(seams.system.ExecutablePath(), seams.files,
                                    seams.system.GetUserFolders())
      .keep;
}

void WriteRecordJson(JsonWriter& json, const commands::HistoryEntry& e) {
  json.BeginObject().Key("line").Number(static_cast<std::int64_t>(e.lineNumber));
  json.Key("damaged").Bool(!e.record);
  if (!e.record) {
    json.Key("text").String(e.text).EndObject();
    return;
  }
  const auto& r = *e.record;
  json.Key("time").String(r.time)
      .Key("action").String(commands::HistoryActionName(r.action))
      .Key("bus").String(r.bus)
      .Key("ids").String(r.ids)
      .Key("subsystem").String(r.subsystem)
      .Key("chip").String(r.chip)
      .Key("old_version").String(r.oldVersion)
      .Key("new_version").String(r.newVersion)
      .Key("old_sha256").String(r.oldSha256)
      .Key("new_sha256").String(r.newSha256)
      .Key("file").String(r.file)
      .Key("backup").String(r.backup)
      .Key("result").String(r.ok ? "ok" : "failed")
      .Key("reason");
  if (r.ok)
    json.Null();
  else
    json.String(r.reason);
  json.EndObject();
}

}  // namespace

std::string HistoryLine(const commands::HistoryRecord& r) {
  std::string line = r.time + "  " + commands::HistoryActionName(r.action) + "  " + Shown(r.bus) +
                     " " + Shown(r.ids) + " " + Shown(r.subsystem) + "  chip " + Shown(r.chip) +
                     "  " + Shown(r.oldVersion) + " -> " + Shown(r.newVersion) + "  ";
  line += r.ok ? std::string("ok") : "FAILED" + (r.reason.empty() ? "" : ": " + Shown(r.reason));
  if (!r.file.empty()) line += "  file " + Shown(r.file);
  if (!r.backup.empty()) line += "  backup " + Shown(r.backup);
  return line;
}

std::string DamagedHistoryLine(const commands::HistoryEntry& e) {
  return "line " + std::to_string(e.lineNumber) + " is damaged: " + Shown(e.text);
}

void WriteHistoryListing(const std::string& path, const commands::HistoryListing& listing,
                         std::FILE* human, JsonWriter* json) {
  if (listing.entries.empty()) {
    std::fprintf(human, "No save or flash has been recorded yet (%s %s).\n", path.c_str(),
                 listing.found ? "holds none" : "does not exist");
  }
  for (const auto& e : listing.entries) {
    const std::string line = e.record ? HistoryLine(*e.record) : DamagedHistoryLine(e);
    std::fprintf(human, "%s\n", line.c_str());
  }
  std::fflush(human);
  if (!json) return;
  json->Key("history_file").String(path).Key("found").Bool(listing.found);
  json->Key("entries").BeginArray();
  for (const auto& e : listing.entries) WriteRecordJson(*json, e);
  json->EndArray();
}

int ShowHistory(const Options& o, std::FILE* human, RunEnd& end) {
  std::string path;
  commands::HistoryListing listing;
  if (o.machine) {
    try {
      auto machine = sim::LoadMachine(*o.machine);
      sim::EmulatedPlatform platform(std::move(machine.recipe));
      path = commands::HistoryPath(KeepFolderOf(platform.Seams()));
      listing = commands::ReadHistory(platform.Seams().files, path);
      platform.Finish();
    } catch (const sim::ScenarioError& e) {
      std::fprintf(stderr, "rzflash-cli: %s\n", e.what());
      std::fflush(stderr);
      end.AddProblem(e.what());
      return app::kExitUsage;
    }
  } else {
    const auto host = platform::MakeHostPlatform();
    path = commands::HistoryPath(KeepFolderOf(host->Seams()));
    listing = commands::ReadHistory(host->Seams().files, path);
  }
  WriteHistoryListing(path, listing, human, end.Json());
  return app::kExitOk;
}

}  // namespace rz::cli
