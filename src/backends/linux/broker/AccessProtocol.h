// SPDX-License-Identifier: GPL-3.0-or-later
// What the access helper and the program say to each other over their Unix socket (a
// SOCK_SEQPACKET pair, so every message arrives whole). The helper is started once per run and
// serves requests until the program closes its end:
//   greeting  "RZACCESS <version> ready\n" once authorised and running; "RZACCESS <version>
//             mismatch\n" when the program asked for another version (the helper then ends).
//   "files\n" -> "files <count>\n", then batches of at most kAccessFilesPerMessage lines
//             "<device> <file> <r|w>\n", each message carrying as many descriptors (SCM_RIGHTS)
//             as it has lines, in the same order.
//   "lock\n"  -> "lock\n" with the descriptor of the machine's single-instance lock file.
//   "tool <command> <adapter>\n" with the descriptor of the folder to run it in ->
//             "tool started\n", and when the vendor tool has ended "tool ended <status>\n".
//   A request the helper refuses is answered "refused <reason>\n".
#pragma once
#include <cstddef>

namespace rz::platform {

inline constexpr int kAccessProtocolVersion = 2;
inline constexpr const char* kAccessGreeting = "RZACCESS";
inline constexpr const char* kAccessReady = "ready";
inline constexpr const char* kAccessMismatch = "mismatch";

inline constexpr const char* kAccessFilesRequest = "files";
inline constexpr const char* kAccessLockRequest = "lock";
inline constexpr const char* kAccessToolRequest = "tool";
inline constexpr const char* kAccessRefused = "refused";
inline constexpr const char* kAccessToolStarted = "started";
inline constexpr const char* kAccessToolEnded = "ended";

// Well below the kernel's limit of descriptors in one message (253).
inline constexpr std::size_t kAccessFilesPerMessage = 64;
// Large enough for a full batch of lines (a line is at most about 40 bytes).
inline constexpr std::size_t kAccessMessageBytes = 8192;

// How long the program waits for each answer once the helper has greeted it (the password
// prompt before the greeting, and the vendor tool's run, are waited for without a limit).
inline constexpr int kAccessReplyLimitMs = 20000;

inline constexpr const char* kAccessBrokerPath = "/usr/libexec/rzflash/rzflash-access";
inline constexpr const char* kPkexecPath = "/usr/bin/pkexec";

// The helper's exit statuses (pkexec itself ends with 126 or 127 when it does not run it).
inline constexpr int kAccessExitDone = 0;  // the program closed its end
inline constexpr int kAccessExitSocketFailed = 1;
inline constexpr int kAccessExitMismatch = 2;

}  // namespace rz::platform
