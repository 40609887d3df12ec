// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InspectReport.h"

#include <cstdio>

#include "cli/Reports.h"

namespace rz::cli {
namespace {

using bios::FileInspection;
using bios::ImageMarks;
using bios::PackageSlot;
using bios::RomImage;

std::string Offset(std::size_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(offset));
  return text;
}

std::string Ids(const bios::PciDataInfo& p) {
  char text[24];
  std::snprintf(text, sizeof text, "%04X:%04X", p.vendorId, p.deviceId);
  return text;
}

// "64 KiB, legacy x86, PCI 10DE:0191, last image, checksum ok".
std::string ImageFacts(const RomImage& image) {
  std::string text = bios::SizeText(image.length);
  if (image.pciData && image.headerLength != image.length)
    text += " (header: " + bios::SizeText(image.headerLength) + ")";
  if (!image.whole) text += ", cut short by the end of the file";
  if (!image.pciData) return text + ", no PCI data structure where 0x18 points";
  const auto& p = *image.pciData;
  text += ", " + bios::CodeTypeName(p.codeType) + ", PCI " + Ids(p);
  if (p.last) text += ", last image";
  if (image.checksumOk) text += *image.checksumOk ? ", checksum ok" : ", checksum bad (bytes do not sum to 0)";
  else if (image.IsLegacy()) text += ", checksum not computed (image cut short)";
  return text;
}

void AddMarks(std::vector<std::string>& lines, const ImageMarks& m) {
  if (m.source == ImageMarks::Source::None) return;
  std::string line = "  BIOS \"" + m.versionText + "\" from its " +
                     (m.source == ImageMarks::Source::Block ? "\"$RZ\" block" : "model text");
  line += m.cardNumber ? ", card number " + std::to_string(*m.cardNumber) : ", no card number";
  lines.push_back(line);
}

void AddBoards(std::vector<std::string>& lines, const RomImage& image, const InspectConfig& config) {
  if (!config.table || !image.pciData) return;
  std::string names;
  for (const auto& e : FittingBoards(*config.table, *image.pciData))
    names += (names.empty() ? "" : ", ") + e.name;
  lines.push_back(names.empty() ? "  fits no board of RZFLASH.CFG" : "  fits in RZFLASH.CFG: " + names);
}

std::string SlotFacts(const PackageSlot& s) {
  switch (s.status) {
    case PackageSlot::Status::OutsideFile: return "outside the file";
    case PackageSlot::Status::NoImage: return "no image there";
    case PackageSlot::Status::TooLong:
      return ImageFacts(*s.image) + "; longer than the 64 KiB the program takes";
    case PackageSlot::Status::Cut: return ImageFacts(*s.image) + "; the file ends inside it";
    case PackageSlot::Status::Image: break;
  }
  return ImageFacts(*s.image);
}

void WriteIdsOrNull(JsonWriter& json, const std::optional<bios::PciDataInfo>& p) {
  json.Key("pci");
  if (!p) {
    json.Null();
    return;
  }
  json.BeginObject()
      .Key("vendor_id").String(HexId(p->vendorId))
      .Key("device_id").String(HexId(p->deviceId))
      .Key("code_type").Number(p->codeType)
      .Key("code_type_name").String(bios::CodeTypeName(p->codeType))
      .Key("last").Bool(p->last)
      .EndObject();
}

void WriteMarks(JsonWriter& json, const ImageMarks& m) {
  json.Key("bios");
  if (m.source == ImageMarks::Source::None) {
    json.Null();
    return;
  }
  json.BeginObject()
      .Key("source").String(m.source == ImageMarks::Source::Block ? "block" : "model_text")
      .Key("model_name").String(m.modelName)
      .Key("version").String(m.versionText)
      .Key("card_number");
  if (m.cardNumber)
    json.Number(*m.cardNumber);
  else
    json.Null();
  json.EndObject();
}

void WriteImage(JsonWriter& json, const RomImage& image, const ImageMarks& marks,
                const InspectConfig& config) {
  json.BeginObject()
      .Key("offset").Number(static_cast<std::int64_t>(image.offset))
      .Key("length").Number(image.length)
      .Key("header_length").Number(image.headerLength)
      .Key("whole").Bool(image.whole);
  WriteIdsOrNull(json, image.pciData);
  json.Key("checksum_ok");
  if (image.checksumOk)
    json.Bool(*image.checksumOk);
  else
    json.Null();
  WriteMarks(json, marks);
  json.Key("boards");
  if (!config.table || !image.pciData) {
    json.Null();
  } else {
    json.BeginArray();
    for (const auto& e : FittingBoards(*config.table, *image.pciData)) json.String(e.name);
    json.EndArray();
  }
  json.EndObject();
}

const char* KindName(FileInspection::Kind kind) {
  switch (kind) {
    case FileInspection::Kind::Image: return "image";
    case FileInspection::Kind::Package: return "package";
    case FileInspection::Kind::NoBios: break;
  }
  return "none";
}

}  // namespace

std::vector<config::AsicEntry> FittingBoards(const config::AsicTable& table,
                                             const bios::PciDataInfo& ids) {
  std::vector<config::AsicEntry> fits;
  for (const auto& e : table.entries)
    if (e.type == 1 && e.vendorId == ids.vendorId && e.deviceId == ids.deviceId) fits.push_back(e);
  return fits;
}

std::vector<std::string> InspectLines(const std::string& file, const FileInspection& f,
                                      const InspectConfig& config) {
  std::vector<std::string> lines{"file: " + file,
                                 "size: " + std::to_string(f.fileSize) + " bytes",
                                 "sha256: " + f.sha256};
  if (f.bytesLooked < f.fileSize)
    lines.push_back("looked at: the first " + bios::SizeText(f.bytesLooked) + " only");
  if (f.kind == FileInspection::Kind::Package) {
    lines.push_back("contents: a \"$RZ0\" package, " + std::to_string(f.slots.size()) +
                    " of 8 slots used");
    for (const PackageSlot& s : f.slots) {
      lines.push_back("slot " + std::to_string(s.number) + " at " + Offset(s.offset) + ": " + SlotFacts(s));
      AddMarks(lines, s.marks);
      if (s.image) AddBoards(lines, *s.image, config);
    }
  } else {
    const auto n = f.chain.images.size();
    lines.push_back(n == 0 ? std::string("contents: no BIOS image")
                           : "contents: " + std::to_string(n) + (n == 1 ? " image" : " images"));
    for (std::size_t i = 0; i < n; ++i) {
      const RomImage& image = f.chain.images[i];
      lines.push_back("image " + std::to_string(i + 1) + " at " + Offset(image.offset) + ": " +
                      ImageFacts(image));
      AddMarks(lines, f.marks[i]);
      AddBoards(lines, image, config);
    }
    lines.push_back("walk stopped: " + bios::ChainEndText(f.chain));
    if (f.bytesAfterChain > 0)
      lines.push_back("after the images: " + bios::SizeText(f.bytesAfterChain) +
                      (f.blankAfterChain ? " of blank padding" : " that are no image"));
  }
  if (!config.table) lines.push_back("RZFLASH.CFG: cannot be read at " + config.path + "; no boards matched");
  return lines;
}

void WriteInspectMembers(JsonWriter& json, const FileInspection& f, const InspectConfig& config) {
  json.Key("size").Number(static_cast<std::int64_t>(f.fileSize))
      .Key("bytes_looked_at").Number(static_cast<std::int64_t>(f.bytesLooked))
      .Key("sha256").String(f.sha256)
      .Key("kind").String(KindName(f.kind));
  json.Key("images").BeginArray();
  if (f.kind != FileInspection::Kind::Package)
    for (std::size_t i = 0; i < f.chain.images.size(); ++i)
      WriteImage(json, f.chain.images[i], f.marks[i], config);
  json.EndArray();
  json.Key("chain_end");
  if (f.kind == FileInspection::Kind::Package) {
    json.Null();
  } else {
    json.BeginObject()
        .Key("reason").String(bios::ChainEndName(f.chain.end))
        .Key("offset").Number(static_cast<std::int64_t>(f.chain.endOffset))
        .Key("text").String(bios::ChainEndText(f.chain))
        .Key("bytes_after").Number(static_cast<std::int64_t>(f.bytesAfterChain))
        .Key("blank_after").Bool(f.blankAfterChain)
        .EndObject();
  }
  json.Key("slots").BeginArray();
  for (const PackageSlot& s : f.slots) {
    json.BeginObject()
        .Key("slot").Number(static_cast<std::int64_t>(s.number))
        .Key("offset").Number(s.offset)
        .Key("status").String(bios::SlotStatusName(s.status))
        .Key("image");
    if (s.image)
      WriteImage(json, *s.image, s.marks, config);
    else
      json.Null();
    json.EndObject();
  }
  json.EndArray();
  json.Key("config_read").Bool(config.table != nullptr).Key("config_path").String(config.path);
}

}  // namespace rz::cli
