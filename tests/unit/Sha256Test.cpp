// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 against the standard's test messages, and fed in pieces of every size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Sha256.h"

namespace rz {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(Sha256, StandardMessages) {
  struct Case {
    std::string message;
    const char* digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Sha256::Hex(Sha256::Of(Bytes(c.message))), c.digest) << c.message.size() << " bytes";
}

// Lengths around the block and padding edges (55, 56, 63, 64, 65 ...), split at every point.
TEST(Sha256, PiecesGiveTheDigestOfTheWhole) {
  for (std::size_t length : {0u, 1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 200u}) {
    std::vector<std::uint8_t> message(length);
    for (std::size_t i = 0; i < length; ++i) message[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const Sha256::Digest whole = Sha256::Of(message);
    for (std::size_t split = 0; split <= length; ++split) {
      Sha256 sha;
      sha.Add(std::span(message).first(split));
      sha.Add(std::span(message).subspan(split));
      ASSERT_EQ(sha.Finish(), whole) << length << " split at " << split;
    }
  }
  Sha256 reused;
  reused.Add(Bytes("abc"));
  reused.Finish();
  EXPECT_EQ(Sha256::Hex(reused.Finish()), Sha256::Hex(Sha256::Of({}))) << "starts afresh";
}

}  // namespace
}  // namespace rz
