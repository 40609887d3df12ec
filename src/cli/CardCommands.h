// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that act on the card once the program has started: info, adapters, verify, save
// and flash; and the terminal's way of saying a line.
#pragma once
#include <cstdio>
#include <string>

#include "app/Program.h"
#include "cli/Options.h"
#include "cli/RunEnd.h"
#include "cli/TerminalUi.h"

namespace rz::cli {

// A line for people on `to`, shown at once: on a Windows console the standard streams are
// buffered (see PrepareStandardStreams), and the order of the lines on both streams is kept.
void Say(std::FILE* to, const std::string& line);

// `path` (UTF-8, as every text of the program) made absolute.
std::string Absolute(const std::string& path);

// Runs the command of `o`; its exit status. `human` takes the command's own lines.
int RunCardCommand(const Options& o, app::Program& program, TerminalUi& ui, std::FILE* human,
                   RunEnd& end);

}  // namespace rz::cli
