// SPDX-License-Identifier: GPL-3.0-or-later
// Verify: the card's EEPROM compared with the image in a file, without writing anything. The
// image is the file's own (its header gives its length), a package reduced to this card's image
// as the flash command reduces it; the card is read the way its road reads it (through the ROM
// window, or through the vendor tool's save).
#pragma once
#include <cstdint>
#include <string>

#include "commands/CommandContext.h"

namespace rz::commands {

inline constexpr const char* kVerifyMatchText = "Verify: the card holds this image";

struct VerifyReport {
  enum class Status {
    Match,         // the card holds the image
    Differs,       // firstDifference and differingBytes say where and how much
    NoCard,        // no card of either road
    FileProblem,   // the file holds no image for this card (problem says why)
    CardProblem,   // the card could not be read (problem says why)
  };
  Status status = Status::NoCard;
  std::string problem;
  bool package = false;             // the file was a package
  std::uint32_t imageLength = 0;    // bytes compared
  std::int64_t firstDifference = -1;
  std::uint64_t differingBytes = 0;  // a card shorter than the image counts the missing bytes
};

VerifyReport VerifyCard(CommandContext& ctx, const std::string& path);

// The line that tells the result: kVerifyMatchText, the first differing offset and the count of
// differing bytes, or the problem.
std::string VerifyText(const VerifyReport& report);

}  // namespace rz::commands
