// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's OS version code: GetOSVer of its utility library VUDAVAREZ.DLL when that lies beside
// the program, else a code of our own that says the same about the one thing the program asks of
// it, whether the system is 64-bit.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/driver/DriverFacts.h"

namespace rz::platform {

inline constexpr const char* kMakerLibraryName = "VUDAVAREZ.DLL";
inline constexpr const char* kOsVersionFunction = "GetOSVer";

// Loads `libraryPath` (a full path: a file of that name in the current folder is never taken),
// calls its GetOSVer with no arguments, and unloads it. nullopt when it cannot be loaded or has no
// such function.
std::optional<std::uint32_t> OsVersionFromLibrary(const std::string& libraryPath);

// Whether the machine itself is 64-bit, whatever this program was built as (a 32-bit build runs
// on 64-bit Windows too): IsWow64Process2 where the system has it, the native system information
// otherwise.
bool MachineIs64Bit();

// The library's code when it answers, else kOwnCode64Bit or kOwnCode32Bit.
std::uint32_t OsVersionCode(const std::string& libraryPath);

}  // namespace rz::platform
