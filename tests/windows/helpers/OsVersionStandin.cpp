// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: a stand-in for the maker's utility library VUDAVAREZ.DLL. Its GetOSVer answers the
// number in the environment variable RZ_STANDIN_OSVER (hexadecimal), 0 without it.
#include <windows.h>

#include <cstdlib>

extern "C" __declspec(dllexport) DWORD WINAPI GetOSVer() {
  char text[32] = {};
  const DWORD n = GetEnvironmentVariableA("RZ_STANDIN_OSVER", text, sizeof text);
  if (n == 0 || n >= sizeof text) return 0;
  return static_cast<DWORD>(std::strtoul(text, nullptr, 16));
}
