// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/seams/PlatformFaults.h"

#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

PlatformFaults ReadPlatformFaults(ScenarioObject& f) {
  PlatformFaults p;
  p.portFailAfter = f.OptionalNumber("port_fail_after");
  p.mapFailAfter = f.OptionalNumber("map_fail_after");
  p.requestFailAt = f.OptionalNumber("request_fail_at");
  for (auto& step : f.Texts("service_fail")) p.serviceFail.insert(std::move(step));
  p.serviceAlreadyRunning = f.Flag("service_already_running", false);
  p.leftoverService = f.Flag("leftover_service", false);
  for (auto& name : f.Texts("file_create_fail")) p.fileCreateFail.insert(std::move(name));
  for (auto& name : f.Texts("file_write_fail")) p.fileWriteFail.insert(std::move(name));
  for (auto& name : f.Texts("file_close_fail")) p.fileCloseFail.insert(std::move(name));
  p.tempFileFail = f.Flag("temp_file_fail", false);
  p.renameFail = f.Flag("rename_fail", false);
  p.diskFullAtWrite = f.OptionalNumber("disk_full_at_write");
  p.fileCallFailAt = f.OptionalNumber("file_call_fail_at");
  // One count or an array of them.
  if (const nlohmann::json* at = f.Find("interrupt_after_requests")) {
    const std::string path = f.PathOf("interrupt_after_requests");
    if (at->is_array()) {
      for (std::size_t i = 0; i < at->size(); ++i)
        p.interruptAfter.push_back(ParseNumber((*at)[i], path + "[" + std::to_string(i) + "]"));
    } else {
      p.interruptAfter.push_back(ParseNumber(*at, path));
    }
  }
  const std::string kind = f.Text("interrupt_signal", "SIGINT");
  if (kind == "SIGINT") p.interruptKind = platform::InterruptKind::Interrupt;
  else if (kind == "SIGTERM") p.interruptKind = platform::InterruptKind::Terminate;
  else if (kind == "SIGHUP") p.interruptKind = platform::InterruptKind::HangUp;
  else if (kind == "SIGQUIT") p.interruptKind = platform::InterruptKind::Quit;
  else if (kind == "SIGSTOP") p.interruptKind = platform::InterruptKind::Stop;
  else
    throw ScenarioError(f.PathOf("interrupt_signal") +
                        " must be SIGINT, SIGTERM, SIGHUP, SIGQUIT or SIGSTOP");
  return p;
}

}  // namespace rz::sim
