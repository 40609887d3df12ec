// What the access broker and the program say to each other over their Unix socket (a
// SOCK_SEQPACKET pair, so every message arrives whole):
//   1. "RZACCESS <version> <count>\n": the broker's protocol version and how many files follow;
//      "RZACCESS <version> mismatch\n" when the program asked for another version (nothing follows).
//   2. Batches of at most kAccessFilesPerMessage lines "<device> <file> <r|w>\n", each message
//      carrying as many descriptors (SCM_RIGHTS) as it has lines, in the same order.
#pragma once
#include <cstddef>

namespace rz::platform {

inline constexpr int kAccessProtocolVersion = 1;
inline constexpr const char* kAccessGreeting = "RZACCESS";
inline constexpr const char* kAccessMismatch = "mismatch";
// Well below the kernel's limit of descriptors in one message (253).
inline constexpr std::size_t kAccessFilesPerMessage = 64;
// Large enough for a full batch of lines (a line is at most about 40 bytes).
inline constexpr std::size_t kAccessMessageBytes = 8192;

inline constexpr const char* kAccessBrokerPath = "/usr/libexec/rzflash/rzflash-access";
inline constexpr const char* kPkexecPath = "/usr/bin/pkexec";

// The broker's exit statuses (pkexec itself ends with 126 or 127 when it does not run it).
inline constexpr int kAccessExitSent = 0;
inline constexpr int kAccessExitSocketFailed = 1;
inline constexpr int kAccessExitMismatch = 2;

}  // namespace rz::platform
