// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 of byte sequences (FIPS 180-4), fed in pieces: the digest that backups are stored and
// shown with, in the lowercase hexadecimal form sha256sum prints.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace rz {

class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  // Adds `bytes` to the message.
  void Add(std::span<const std::uint8_t> bytes);
  // The digest of everything added; the object starts a new message afterwards.
  Digest Finish();

  // The digest of `bytes` at once.
  static Digest Of(std::span<const std::uint8_t> bytes);
  // 64 lowercase hexadecimal digits.
  static std::string Hex(const Digest& digest);

 private:
  void Block(const std::uint8_t* block);
  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes added
};

}  // namespace rz
