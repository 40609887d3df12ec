// SPDX-License-Identifier: GPL-3.0-or-later
// How every run of rzflash-cli ends, whatever ended it (a usage error, a check before the run, the
// command, a transcript that cannot be written): with --json one JSON object on standard output
// carrying the command, the problem (null when there is none) and the exit status; and a standard
// output or error that was lost on the way (its reader gone, a write that failed) reported on the
// other one. A lost output never changes the exit status: that says what happened to the card or
// the file.
#pragma once
#include <optional>
#include <string>

#include "cli/JsonWriter.h"
#include "cli/Options.h"

namespace rz::cli {

class RunEnd {
 public:
  // Begins the JSON object when `request` asks for one.
  explicit RunEnd(const JsonRequest& request);

  // The object the command writes its members into; null without --json.
  JsonWriter* Json() { return json_ ? &writer_ : nullptr; }
  // Records a problem for the object's "problem" member; several are joined with "; ". Printing it
  // for a person is the caller's business.
  void AddProblem(const std::string& text);
  // Ends the run with `code`: the JSON object, then the report of a lost output. Returns `code`.
  int Finish(int code);

 private:
  bool json_;
  JsonWriter writer_;
  std::optional<std::string> problem_;
};

}  // namespace rz::cli
