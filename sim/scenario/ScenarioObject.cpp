// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/ScenarioObject.h"

namespace rz::sim {

using nlohmann::json;

std::uint64_t ParseNumber(const json& v, const std::string& what) {
  if (v.is_number_unsigned()) return v.get<std::uint64_t>();
  if (v.is_number_integer() && v.get<std::int64_t>() >= 0) return v.get<std::uint64_t>();
  if (v.is_string()) {
    const std::string& s = v.get_ref<const std::string&>();
    try {
      std::size_t used = 0;
      const auto n = std::stoull(s, &used, 0);
      if (used == s.size() && !s.empty() && s.front() != '-') return n;
    } catch (const std::exception&) {
    }
  }
  throw ScenarioError(what + " must be a number (an integer, or a text such as \"0x10DE\")");
}

ScenarioObject::ScenarioObject(const json& value, std::string path,
                               std::vector<std::string>* warnings)
    : value_(value), path_(std::move(path)), warnings_(warnings) {
  if (!value_.is_object())
    throw ScenarioError((path_.empty() ? std::string("a scenario") : path_) +
                        " must be a JSON object");
}

std::string ScenarioObject::PathOf(std::string_view key) const {
  return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
}

void ScenarioObject::Wrong(std::string_view key, const char* expected) const {
  throw ScenarioError(PathOf(key) + " must be " + expected);
}

const json* ScenarioObject::Find(std::string_view key) {
  known_.emplace(key);
  const auto it = value_.find(key);
  return it == value_.end() ? nullptr : &*it;
}

std::string ScenarioObject::Text(std::string_view key, std::string fallback) {
  return OptionalText(key).value_or(std::move(fallback));
}

std::optional<std::string> ScenarioObject::OptionalText(std::string_view key) {
  const json* v = Find(key);
  if (!v) return std::nullopt;
  if (!v->is_string()) Wrong(key, "a text");
  return v->get<std::string>();
}

bool ScenarioObject::Flag(std::string_view key, bool fallback) {
  const json* v = Find(key);
  if (!v) return fallback;
  if (!v->is_boolean()) Wrong(key, "true or false");
  return v->get<bool>();
}

std::optional<std::uint64_t> ScenarioObject::OptionalNumber(std::string_view key,
                                                            std::uint64_t max) {
  const json* v = Find(key);
  if (!v) return std::nullopt;
  const std::uint64_t n = ParseNumber(*v, PathOf(key));
  if (n > max) throw ScenarioError(PathOf(key) + " must be at most " + std::to_string(max));
  return n;
}

std::vector<std::string> ScenarioObject::Texts(std::string_view key) {
  std::vector<std::string> out;
  const json* v = Find(key);
  if (!v) return out;
  if (!v->is_array()) Wrong(key, "an array of texts");
  for (const json& e : *v) {
    if (!e.is_string()) Wrong(key, "an array of texts");
    out.push_back(e.get<std::string>());
  }
  return out;
}

const json* ScenarioObject::Array(std::string_view key) {
  const json* v = Find(key);
  if (v && !v->is_array()) Wrong(key, "an array");
  return v;
}

ScenarioObject ScenarioObject::Object(std::string_view key) {
  static const json kEmpty = json::object();  // what an absent key reads as; never changes
  const json* v = Find(key);
  return ScenarioObject(v ? *v : kEmpty, PathOf(key), warnings_);
}

ScenarioObject ScenarioObject::Nested(const json& value, std::string path) const {
  return ScenarioObject(value, std::move(path), warnings_);
}

void ScenarioObject::WarnUnknownKeys() const {
  if (!warnings_) return;
  for (const auto& [key, v] : value_.items())
    if (known_.find(key) == known_.end())
      warnings_->push_back("ignoring unknown key " + PathOf(key));
}

}  // namespace rz::sim
