// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Reports.h"

namespace rz::cli {

using commands::AdapterListing;
using commands::ChipListing;
using commands::VerifyReport;

std::string HexId(unsigned value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
  return buf;
}

std::string ChipLine(const ChipListing& c) {
  char line[256];
  const std::string size = c.size ? std::to_string(c.size) + " bytes" : "-";
  std::snprintf(line, sizeof line, "%-20s 0x%02X 0x%02X  %-8s %12s  %-38s erase %s", c.name.c_str(),
                c.manufacturerId, c.deviceId, c.interface.c_str(), size.c_str(),
                c.algorithm.c_str(), c.erase.c_str());
  return line;
}

void WriteChipsJson(JsonWriter& json, const std::vector<ChipListing>& chips) {
  json.Key("chips").BeginArray();
  for (const auto& c : chips) {
    json.BeginObject()
        .Key("name").String(c.name)
        .Key("catalogue_text").String(c.catalogueText)
        .Key("manufacturer_id").String(HexId(c.manufacturerId, 2))
        .Key("device_id").String(HexId(c.deviceId, 2))
        .Key("chip_code").Number(c.chipCode)
        .Key("interface").String(c.interface)
        .Key("size").Number(c.size)
        .Key("algorithm").String(c.algorithm)
        .Key("erase").String(c.erase)
        .EndObject();
  }
  json.EndArray();
}

std::string AdapterLine(const AdapterListing& a) {
  const auto& p = a.adapter;
  char line[256];
  // A card the scan passed by has no adapter number: only `recover` works on it.
  if (!a.inScan) {
    std::snprintf(line, sizeof line,
                  "%02X:%02X  ids 0x%04X 0x%04X  subsystem 0x%04X 0x%04X  needs recovery  %s", p.bus,
                  p.device, p.VendorId(), p.DeviceId(), p.SubsystemVendorId(), p.SubsystemId(),
                  a.listedInConfig ? "listed in RZFLASH.CFG" : "not in RZFLASH.CFG");
    return line;
  }
  std::snprintf(line, sizeof line,
                "%02X:%02X  ids 0x%04X 0x%04X  subsystem 0x%04X 0x%04X  adapter %u  %s", p.bus,
                p.device, p.VendorId(), p.DeviceId(), p.SubsystemVendorId(), p.SubsystemId(),
                static_cast<unsigned>(a.index),
                a.listedInConfig ? "listed in RZFLASH.CFG" : "not in RZFLASH.CFG");
  std::string text = line;
  if (a.index == 0) text += std::string("  road: ") + commands::CardRoadName(a.road);
  if (a.needsRecovery) text += "  needs recovery";
  return text;
}

namespace {

void WriteAdapter(JsonWriter& json, const AdapterListing& a) {
  const auto& p = a.adapter;
  json.BeginObject().Key("index");
  if (a.inScan)
    json.Number(a.index);
  else
    json.Null();
  json.Key("bus").Number(p.bus)
      .Key("device").Number(p.device)
      .Key("vendor_id").String(HexId(p.VendorId()))
      .Key("device_id").String(HexId(p.DeviceId()))
      .Key("subsystem_vendor_id").String(HexId(p.SubsystemVendorId()))
      .Key("subsystem_id").String(HexId(p.SubsystemId()))
      .Key("listed_in_config").Bool(a.listedInConfig);
  // Only a card that lost its ids says so: the other adapters' objects stay as they were.
  if (a.needsRecovery) json.Key("needs_recovery").Bool(true);
  json.Key("road");
  if (a.index == 0 || !a.inScan)
    json.String(commands::CardRoadName(a.road));
  else
    json.Null();
  json.EndObject();
}

}  // namespace

void WriteAdaptersJson(JsonWriter& json, const std::vector<AdapterListing>& adapters,
                       bool configLoaded) {
  json.Key("config_loaded").Bool(configLoaded);
  json.Key("adapters").BeginArray();
  for (const auto& a : adapters) WriteAdapter(json, a);
  json.EndArray();
}

void WriteCardMembers(JsonWriter& json, const std::vector<AdapterListing>& adapters) {
  json.Key("adapter");
  if (adapters.empty()) {
    json.Null();
    json.Key("road").String(commands::CardRoadName(commands::CardRoad::None));
    return;
  }
  WriteAdapter(json, adapters.front());
  json.Key("road").String(commands::CardRoadName(adapters.front().road));
}

void WriteVerifyMembers(JsonWriter& json, const std::string& file, const VerifyReport& r) {
  using Status = VerifyReport::Status;
  const bool compared = r.status == Status::Match || r.status == Status::Differs;
  json.Key("file").String(file);
  json.Key("match").Bool(r.status == Status::Match);
  json.Key("compared").Bool(compared);
  json.Key("package").Bool(r.package);
  json.Key("image_length").Number(r.imageLength);
  json.Key("first_difference");
  if (r.firstDifference >= 0)
    json.Number(r.firstDifference);
  else
    json.Null();
  json.Key("differing_bytes").Number(static_cast<std::int64_t>(r.differingBytes));
}

std::optional<std::string> VerifyProblem(const VerifyReport& r) {
  const bool compared =
      r.status == VerifyReport::Status::Match || r.status == VerifyReport::Status::Differs;
  return compared ? std::nullopt : std::optional<std::string>(r.problem);
}

void WriteKeptCopies(JsonWriter& json, const std::vector<ui::KeptCopy>& copies) {
  json.Key("kept").BeginArray();
  for (const ui::KeptCopy& c : copies) {
    json.BeginObject();
    json.Key("kind").String(ui::KeptCopyKindName(c.kind));
    json.Key("path").String(c.path);
    json.Key("sha256").String(c.sha256);
    json.Key("checksum_file_written").Bool(c.checksumStored);
    json.EndObject();
  }
  json.EndArray();
}

void WriteOptional(JsonWriter& json, const char* key, const std::optional<std::string>& text) {
  json.Key(key);
  if (text)
    json.String(*text);
  else
    json.Null();
}

void WriteSizeOf(JsonWriter& json, const char* key, const std::optional<std::string>& label) {
  json.Key(key);
  std::uint64_t bytes = 0;
  std::size_t digits = 0;
  for (; label && digits < label->size() && digits < 12; ++digits) {
    const char c = (*label)[digits];
    if (c < '0' || c > '9') break;
    bytes = bytes * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (digits == 0)
    json.Null();
  else
    json.Number(static_cast<std::int64_t>(bytes));
}

}  // namespace rz::cli
