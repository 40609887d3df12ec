// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunEnd.h"

#include <cstdio>

#include "platform/HostPlatform.h"

namespace rz::cli {

namespace {

// The line that reports a lost output (`stream`: "standard output" or "standard error") on the
// other one, without its line feed.
std::string LostOutputLine(const char* stream, int code) {
  return std::string("rzflash-cli: ") + stream +
         " was lost (nobody reads it any more, or a write to it failed); the run went on to its "
         "end and its exit status is " +
         std::to_string(code);
}

}  // namespace

RunEnd::RunEnd(const JsonRequest& request) : json_(request.json) {
  if (json_) writer_.BeginObject().Key("command").String(CommandName(request.command));
}

void RunEnd::AddProblem(const std::string& text) {
  problem_ = problem_ ? *problem_ + "; " + text : text;
}

int RunEnd::Finish(int code) {
  // Standard error is looked at first: with --json its loss goes into the object, since standard
  // output carries nothing but the object.
  const bool errorLost = platform::OutputLost(stderr);
  if (json_) {
    writer_.Key("problem");
    if (problem_)
      writer_.String(*problem_);
    else
      writer_.Null();
    if (errorLost) writer_.Key("lost_output").String("standard error");
    writer_.Key("exit_code").Number(code).EndObject();
    std::printf("%s\n", writer_.Text().c_str());
  }
  const bool outputLost = platform::OutputLost(stdout);
  if (outputLost && !errorLost) {
    std::fprintf(stderr, "%s\n", LostOutputLine("standard output", code).c_str());
  } else if (errorLost && !outputLost && !json_) {
    std::printf("%s\n", LostOutputLine("standard error", code).c_str());
    std::fflush(stdout);
  }
  return code;
}

}  // namespace rz::cli
