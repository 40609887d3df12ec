#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up the machine for the Windows builds (mingw-w64, Wine with its 32-bit part, makensis),
# cross-builds the windows (64-bit) and windows-x86 (32-bit) presets, checks their programs' PE
# headers, runs both builds' suites under Wine in one fresh 64-bit Wine prefix (the 32-bit build
# as on 64-bit Windows, WOW64), packs rzflash-windows.zip and the setup program, and tries the
# setup program there. Each step's time is printed when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh windows

timed() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  echo "windows: $name took $((SECONDS - start)) s"
}

# The skin bitmaps and the windows' artwork (backgrounds, icon) are drawn by a Qt program of this
# machine: a host build draws them; its Qt demo and screenshot comparer check the native window's
# screenshots.
cmake --preset debug >/dev/null
cmake --build --preset debug --target rz_skin_files rzflash-demo rz_shotcompare
host_files=(-DRZFLASH_HOST_SKIN_DIR="$PWD/build/debug/bin/Skin"
            -DRZFLASH_HOST_ART_DIR="$PWD/build/debug/src/gui/art")
build() {
  cmake --preset "$1" "${host_files[@]}" >/dev/null
  cmake --build --preset "$1"
}
timed "build x64" build windows
timed "build x86" build windows-x86
pe_check() {
  bash scripts/check-windows-pe.sh build/windows x86-64
  bash scripts/check-windows-pe.sh build/windows-x86 i386
}
timed "PE check" pe_check

export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# What the bitness tests hold the prefix to: a 64-bit Windows.
export RZ_TEST_MACHINE_BITS=64
rm -rf "$WINEPREFIX"
# The native window's suites need a display: one virtual X server for the whole run, started
# before Wine's first program (whose desktop takes the display it finds).
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'wineserver -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$display_file")"
rm -f "$display_file"
# Booting a prefix takes longer than a test may; do it before the first test.
wineboot --init >/dev/null 2>&1
wineserver -w
# With a display, a crashing test must still end rather than wait in Wine's crash dialog.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
  /d 0 /f </dev/null >/dev/null 2>&1
wineserver -w
# One wineserver for the suites, started apart from this script's pipes: Wine's helper processes
# inherit the pipes of whoever starts the first Wine program, and a test runner that waits for its
# pipes to close would wait for ever.
wineserver -p
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1

# Now and then Wine fails to start a test's process at all (it fails at once, without a line of
# output); such a test is run once more. A test that fails when it has run fails the suite.
timed "suite x64" ctest --preset windows --repeat until-pass:2
# The 32-bit build's suites all but the fault matrix, which drives the same core on the emulated
# machine as the 64-bit run just did and would take three quarters of their time (about 7 of 9
# minutes), and the native window's transcript parity and screenshots, which the 64-bit run
# checks on the same code; RZ_WINDOWS_X86_ALL=1 runs them too.
x86_filter=(-E '^Presets/FaultMatrix\.|^win32\.(Win32Parity|ScreenshotsMatch)')
if [ "${RZ_WINDOWS_X86_ALL:-}" = 1 ]; then x86_filter=(); fi
# Without the 32-bit Wine (setup.sh says why it could not install it) the 32-bit build is still
# built and its PE headers checked, but its suites and the setup program (a 32-bit program) cannot
# run: that is said here and in the step times, not passed over in silence.
skipped=()
if [ -x /usr/lib/wine/wine ]; then
  timed "suite x86" ctest --preset windows-x86 --repeat until-pass:2 "${x86_filter[@]}"
else
  skipped+=("the 32-bit suites")
fi
(cd build/windows && cpack -G ZIP >/dev/null && echo "packed build/windows/rzflash-windows.zip")

# The setup program's check waits for Wine's programs by waiting for the wineserver to end, so the
# persistent one goes first.
wineserver -k
wineserver -w
setup_program() {
  (cd build/windows && cpack -G NSIS >/dev/null)
  echo "packed build/windows/$(cd build/windows && ls rzflash-*-setup.exe)"
  bash scripts/check-windows-setup.sh build/windows
}
if [ -x /usr/lib/wine/wine ]; then
  timed "setup program" setup_program
else
  (cd build/windows && cpack -G NSIS >/dev/null)
  echo "packed build/windows/$(cd build/windows && ls rzflash-*-setup.exe)"
  skipped+=("the setup program's try-out")
fi
for s in "${skipped[@]}"; do
  echo "windows: SKIPPED $s: no 32-bit Wine (/usr/lib/wine/wine) on this machine"
done
