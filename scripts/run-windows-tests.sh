#!/usr/bin/env bash
# Sets up the machine for the Windows build (mingw-w64 and Wine), cross-builds the windows preset,
# runs its suites under Wine in a fresh Wine prefix of its own, and packs rzflash-windows.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh windows

# The skin bitmaps and the windows' pictures are drawn by a Qt program of this machine: a host
# build draws them; its Qt demo and screenshot comparer check the native window's screenshots.
cmake --preset debug >/dev/null
cmake --build --preset debug --target rz_skin_files rzflash-demo rz_shotcompare
cmake --preset windows -DRZFLASH_HOST_SKIN_DIR="$PWD/build/debug/bin/Skin" \
  -DRZFLASH_HOST_ART_DIR="$PWD/build/debug/src/gui/art" >/dev/null
cmake --build --preset windows

export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
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
# One wineserver for the whole run, started apart from this script's pipes: Wine's helper
# processes inherit the pipes of whoever starts the first Wine program, and a test runner that
# waits for its pipes to close would wait for ever.
wineserver -p
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1

# Now and then Wine fails to start a test's process at all (it fails at once, without a line of
# output); such a test is run once more. A test that fails when it has run fails the suite.
ctest --preset windows --repeat until-pass:2
(cd build/windows && cpack -G ZIP >/dev/null && echo "packed build/windows/rzflash-windows.zip")
