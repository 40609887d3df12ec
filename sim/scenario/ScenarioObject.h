// SPDX-License-Identifier: GPL-3.0-or-later
// Checked reading of the JSON objects of a scenario description. Every getter names the key by its
// path in the description ("adapters[0].eeprom.persist") and what it should be in the
// ScenarioError it throws for a value of another type, so a malformed file never escapes as a JSON
// library exception. Every key a getter asks about counts as known; WarnUnknownKeys() reports the
// others, so a misspelt key does not pass silently.
#pragma once
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace rz::sim {

class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A number given as a JSON integer or as a text such as "0x10DE" or "4318"; `what` names it in the
// error.
std::uint64_t ParseNumber(const nlohmann::json& value, const std::string& what);

class ScenarioObject {
 public:
  // `path` names the object in messages ("" for the whole description); `warnings` (may be null)
  // collects the unknown keys of this object and of the objects read through it. Throws unless
  // `value` is an object. `value` must outlive this reader.
  ScenarioObject(const nlohmann::json& value, std::string path,
                 std::vector<std::string>* warnings = nullptr);

  const std::string& Path() const { return path_; }
  // The path of a key of this object, for messages.
  std::string PathOf(std::string_view key) const;

  // The value of `key` (null when absent); the key counts as known.
  const nlohmann::json* Find(std::string_view key);
  bool Has(std::string_view key) { return Find(key) != nullptr; }

  std::string Text(std::string_view key, std::string fallback);
  std::optional<std::string> OptionalText(std::string_view key);
  bool Flag(std::string_view key, bool fallback);
  std::optional<std::uint64_t> OptionalNumber(std::string_view key,
                                              std::uint64_t max = UINT64_MAX);
  template <typename T>
  T Number(std::string_view key, T fallback) {
    return static_cast<T>(OptionalNumber(key, std::numeric_limits<T>::max()).value_or(fallback));
  }
  // An array of texts; empty when absent.
  std::vector<std::string> Texts(std::string_view key);
  // An array (null when absent).
  const nlohmann::json* Array(std::string_view key);
  // A nested object; an absent key reads as an empty object.
  ScenarioObject Object(std::string_view key);
  // Reads `value` (an element of one of this object's arrays, named `path`) with the same warnings.
  ScenarioObject Nested(const nlohmann::json& value, std::string path) const;

  // Adds a warning ("ignoring unknown key PATH") for each key no getter asked about.
  void WarnUnknownKeys() const;

 private:
  [[noreturn]] void Wrong(std::string_view key, const char* expected) const;

  const nlohmann::json& value_;
  std::string path_;
  std::vector<std::string>* warnings_;
  std::set<std::string, std::less<>> known_;
};

}  // namespace rz::sim
