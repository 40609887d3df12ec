#!/usr/bin/env bash
# Sets up the machine for the Windows build (mingw-w64 and Wine), cross-builds the windows preset,
# runs its suites under Wine in a fresh Wine prefix of its own, and packs rzflash-windows.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh windows

# The skin bitmaps are drawn by a Qt program of this machine: a host build draws them.
cmake --preset debug >/dev/null
cmake --build --preset debug --target rz_skin_files
cmake --preset windows -DRZFLASH_HOST_SKIN_DIR="$PWD/build/debug/bin/Skin" >/dev/null
cmake --build --preset windows

export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
# Booting a prefix takes longer than a test may; do it before the first test.
wineboot --init >/dev/null 2>&1
wineserver -w
# One wineserver for the whole run, started apart from this script's pipes: Wine's helper
# processes inherit the pipes of whoever starts the first Wine program, and a test runner that
# waits for its pipes to close would wait for ever.
wineserver -p
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

# Now and then Wine fails to start a test's process at all (it fails at once, without a line of
# output); such a test is run once more. A test that fails when it has run fails the suite.
ctest --preset windows --repeat until-pass:2
(cd build/windows && cpack -G ZIP >/dev/null && echo "packed build/windows/rzflash-windows.zip")
