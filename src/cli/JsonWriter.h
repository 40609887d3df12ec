// SPDX-License-Identifier: GPL-3.0-or-later
// A small writer of one JSON document for the terminal's --json output: objects, arrays, texts,
// numbers, booleans and null, with texts escaped so that any byte string stays valid JSON.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rz::cli {

// `text` as a JSON string with its quotes. Quote, backslash and control characters are escaped;
// valid UTF-8 is kept; a byte that is not part of valid UTF-8 is written as the character of the
// same number (\u00XX), so that the output is always valid UTF-8.
std::string JsonQuote(std::string_view text);

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next member of the current object.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // The document written so far.
  const std::string& Text() const { return out_; }

 private:
  void BeforeValue();
  std::string out_;
  std::vector<bool> hasMember_;  // per open object or array: something was written into it
  bool afterKey_ = false;
};

}  // namespace rz::cli
