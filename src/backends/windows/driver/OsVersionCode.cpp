// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/driver/OsVersionCode.h"

#include <cstring>

#include "host/windows/OwnedHandles.h"
#include "host/windows/WideName.h"

namespace rz::platform {

namespace {

// A procedure of a loaded library as the function type it is known to have.
template <typename Function>
Function ProcedureAs(HMODULE library, const char* name) {
  const FARPROC proc = ::GetProcAddress(library, name);
  Function f = nullptr;
  static_assert(sizeof f == sizeof proc);
  if (proc) std::memcpy(&f, &proc, sizeof f);
  return f;
}

bool IsMachine64Bit(USHORT machine) {
  return machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_ARM64 ||
         machine == IMAGE_FILE_MACHINE_IA64;
}

}  // namespace

std::optional<std::uint32_t> OsVersionFromLibrary(const std::string& libraryPath) {
  // The program's folder, which holds the library, may have a name in any language.
  const win::WideName name(libraryPath);
  if (!name) return std::nullopt;
  win::OwnedLibrary library(::LoadLibraryW(name.c_str()));
  if (!library) return std::nullopt;
  using GetOSVerFunction = DWORD(WINAPI*)();
  const auto getOsVer = ProcedureAs<GetOSVerFunction>(library.get(), kOsVersionFunction);
  if (!getOsVer) return std::nullopt;
  return static_cast<std::uint32_t>(getOsVer());
}

bool MachineIs64Bit() {
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  if (const HMODULE kernel = ::GetModuleHandleA("kernel32.dll")) {
    if (const auto isWow64Process2 =
            ProcedureAs<IsWow64Process2Function>(kernel, "IsWow64Process2")) {
      USHORT process = 0;
      USHORT native = 0;
      if (isWow64Process2(::GetCurrentProcess(), &process, &native)) return IsMachine64Bit(native);
    }
  }
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::uint32_t OsVersionCode(const std::string& libraryPath) {
  if (const auto code = OsVersionFromLibrary(libraryPath)) return *code;
  return MachineIs64Bit() ? kOwnCode64Bit : kOwnCode32Bit;
}

}  // namespace rz::platform
