// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's marks in a BIOS image as the program keeps them: the 256-byte "$RZ" block and the
// 80-byte "RZ-" model text with its found flag. Filled from the card's ROM and from files.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace rz::bios {

inline constexpr std::size_t kSignatureBlockSize = 256;
inline constexpr std::size_t kModelTextSize = 80;

// Offsets inside a "$RZ" block, from the "$".
inline constexpr std::size_t kBlockRevision = 0x03;
inline constexpr std::size_t kBlockModel = 0x04;
inline constexpr std::size_t kBlockVersionWord = 0x0C;
inline constexpr std::size_t kBlockCardNumber = 0x0E;
inline constexpr std::size_t kBlockContinuation = 0x20;
inline constexpr std::size_t kBlockSuffix = 0xBD;

using SignatureBlock = std::array<std::uint8_t, kSignatureBlockSize>;

struct ModelText {
  std::array<std::uint8_t, kModelTextSize> bytes{};
  bool found = false;  // ModelTextFound

  // The text up to its first zero byte.
  std::string Text() const {
    std::string s;
    for (std::uint8_t b : bytes) {
      if (b == 0) break;
      s += static_cast<char>(b);
    }
    return s;
  }
};

}  // namespace rz::bios
