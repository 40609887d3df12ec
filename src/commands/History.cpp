// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/History.h"

#include <array>
#include <cstdio>
#include <vector>

namespace rz::commands {

namespace {

constexpr std::array<const char*, 4> kActionNames = {"save", "flash", "restore", "recover"};
constexpr std::string_view kOk = "ok";
constexpr std::string_view kFailed = "failed";
constexpr std::string_view kReasonSeparator = ": ";

}  // namespace

std::string EscapeHistoryField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: return std::nullopt;
    }
  }
  return out;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

std::string ResultText(const HistoryRecord& r) {
  if (r.ok) return std::string(kOk);
  if (r.reason.empty()) return std::string(kFailed);
  return std::string(kFailed) + std::string(kReasonSeparator) + r.reason;
}

bool ReadResult(const std::string& text, HistoryRecord& r) {
  r.ok = text == kOk;
  r.reason.clear();
  if (r.ok || text == kFailed) return true;
  const std::string prefix = std::string(kFailed) + std::string(kReasonSeparator);
  if (text.rfind(prefix, 0) != 0 || text.size() == prefix.size()) return false;
  r.reason = text.substr(prefix.size());
  return true;
}

}  // namespace

const char* HistoryActionName(HistoryAction action) {
  return kActionNames[static_cast<std::size_t>(action)];
}

std::optional<HistoryAction> HistoryActionNamed(std::string_view name) {
  for (std::size_t i = 0; i < kActionNames.size(); ++i)
    if (name == kActionNames[i]) return static_cast<HistoryAction>(i);
  return std::nullopt;
}

std::string IsoLocalTime(const platform::LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::string BusText(unsigned bus, unsigned device) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X:%02X", bus & 0xFFu, device & 0xFFu);
  return text;
}

std::string IdPairText(unsigned first, unsigned second) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X:%04X", first & 0xFFFFu, second & 0xFFFFu);
  return text;
}

std::string FormatHistoryLine(const HistoryRecord& r) {
  const std::string fields[kHistoryFieldCount] = {
      r.time,       HistoryActionName(r.action), r.bus,        r.ids,  r.subsystem,
      r.chip,       r.oldVersion,                r.newVersion, r.oldSha256,
      r.newSha256,  r.file,                      r.backup,     ResultText(r)};
  std::string line;
  for (std::size_t i = 0; i < kHistoryFieldCount; ++i) {
    if (i != 0) line += '\t';
    line += EscapeHistoryField(fields[i]);
  }
  return line;
}

std::optional<HistoryRecord> ParseHistoryLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto raw = SplitTabs(line);
  if (raw.size() != kHistoryFieldCount) return std::nullopt;
  std::vector<std::string> f;
  for (const auto field : raw) {
    auto text = Unescape(field);
    if (!text) return std::nullopt;
    f.push_back(std::move(*text));
  }
  const auto action = HistoryActionNamed(f[1]);
  if (f[0].empty() || !action) return std::nullopt;
  HistoryRecord r{f[0], *action, f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11]};
  if (!ReadResult(f[12], r)) return std::nullopt;
  return r;
}

}  // namespace rz::commands
