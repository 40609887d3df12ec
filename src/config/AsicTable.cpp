// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/AsicTable.h"

#include <array>
#include <memory>

#include "base/Paths.h"
#include "config/ConfigScanner.h"

namespace rz::config {
namespace {

constexpr std::size_t kAsicNvNumbers = 4;       // loading format "%x %x %x %x %s"
constexpr std::size_t kAsicNvCountNumbers = 3;  // sizing format "%x %x %x %s"
constexpr std::size_t kAsicNv2Numbers = 11;     // "%x" eleven times, then "%s"

// Reads `count` numbers and then one word, as one formatted input call would; returns the
// number of successful conversions (it stops at the first failure).
std::size_t ScanRecord(ConfigScanner& in, std::size_t count, std::uint32_t* numbers,
                       std::string& name) {
  for (std::size_t i = 0; i < count; ++i)
    if (!in.ScanHex(numbers[i])) return i;
  return in.ScanWord(name, kAsicNameMax) ? count + 1 : count;
}

AsicEntry FromAsicNv(const std::uint32_t* n, std::string name) {
  AsicEntry e;
  e.vendorId = n[0];
  e.deviceId = n[1];
  e.param2 = 0;
  e.type = n[2];
  e.param4 = 1;
  e.param5 = 0;
  e.param6 = 1;
  e.param7 = 0;
  e.param8 = 0;
  e.promFlag = n[3];
  e.param10 = 0;
  e.name = std::move(name);
  return e;
}

AsicEntry FromAsicNv2(const std::uint32_t* n, std::string name) {
  return AsicEntry{n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10],
                   std::move(name)};
}

// The whole content of a file. A short read ends the text: a read error looks like the end of
// the file, as it does to formatted input from a C stream.
std::string ReadAll(platform::File& file) {
  std::string text;
  std::array<char, 4096> chunk;
  for (;;) {
    const std::size_t n = file.Read(chunk.data(), chunk.size());
    text.append(chunk.data(), n);
    if (n < chunk.size()) break;
  }
  return text;
}

}  // namespace

std::optional<std::size_t> AsicTable::Lookup(std::uint16_t deviceId) const {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].type == 1 && entries[i].deviceId == deviceId) return i;
  return std::nullopt;
}

std::size_t CountAsicRecords(std::string_view text) {
  ConfigScanner in(text);
  std::string keyword;
  std::string name;
  std::array<std::uint32_t, kAsicNv2Numbers> n{};
  std::size_t count = 0;
  while (in.ReadKeyword(keyword) >= 0) {
    if (keyword == kKeywordAsicNv) {
      if (ScanRecord(in, kAsicNvCountNumbers, n.data(), name) == kAsicNvCountNumbers + 1) ++count;
    } else if (keyword == kKeywordAsicNv2) {
      if (ScanRecord(in, kAsicNv2Numbers, n.data(), name) == kAsicNv2Numbers + 1) ++count;
    }
    in.SkipLine();
  }
  return count;
}

std::vector<AsicEntry> LoadAsicRecords(std::string_view text, std::size_t capacity) {
  ConfigScanner in(text);
  std::vector<AsicEntry> entries;  // grows with the records found; `capacity` only bounds it
  std::string keyword;
  std::string name;
  std::array<std::uint32_t, kAsicNv2Numbers> n{};
  while (in.ReadKeyword(keyword) >= 0) {
    if (keyword == kKeywordAsicNv) {
      if (ScanRecord(in, kAsicNvNumbers, n.data(), name) == kAsicNvNumbers + 1 &&
          entries.size() < capacity)
        entries.push_back(FromAsicNv(n.data(), name));
    } else if (keyword == kKeywordAsicNv2) {
      if (ScanRecord(in, kAsicNv2Numbers, n.data(), name) == kAsicNv2Numbers + 1 &&
          entries.size() < capacity)
        entries.push_back(FromAsicNv2(n.data(), name));
    }
    in.SkipLine();
  }
  return entries;
}

std::vector<AsicEntry> ParseAsicText(std::string_view text, std::size_t& capacity) {
  capacity = CountAsicRecords(text);
  return LoadAsicRecords(text, capacity);
}

bool ReadAsicTable(AsicTable& table, const std::string& programFolder,
                   platform::FileSystem& files) {
  table.path = programFolder + kPathSeparator + kConfigFileName;
  if (table.built) return true;

  std::size_t capacity = 0;
  if (auto sizing = files.OpenRead(table.path)) {
    capacity = CountAsicRecords(ReadAll(*sizing));
    sizing->Close();
  }

  auto loading = files.OpenRead(table.path);
  if (!loading) return false;
  table.entries = LoadAsicRecords(ReadAll(*loading), capacity);
  loading->Close();
  table.capacity = capacity;
  table.built = true;
  return true;
}

int LoadAsicTable(AsicTable& table, const std::string& programFolder, platform::FileSystem& files,
                  ui::Ui& ui) {
  if (ReadAsicTable(table, programFolder, files)) return 0;
  ui.MessageBox("", table.path, ui::Buttons::Ok, ui::Icon::None);
  ui.MessageBox("", kConfigOpenError, ui::Buttons::Ok, ui::Icon::None);
  return 1;
}

}  // namespace rz::config
