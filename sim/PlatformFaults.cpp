#include "sim/PlatformFaults.h"

#include "sim/ScenarioObject.h"

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
  return p;
}

}  // namespace rz::sim
