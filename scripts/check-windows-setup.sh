#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Tries the setup program (rzflash-<version>-setup.exe, `cpack -G NSIS` in the 64-bit windows
# build) under Wine as a user would, and prints a transcript: a silent install, the installed
# rzflash-cli on an emulated machine, a safety backup made in the installed Backups folder, a
# silent uninstall, and what is left. Twice: the second time over what the first one left, with a
# file of the user's in "BIOS Files" too. Only the user's files and their folders may be left; no
# Uninstall key, no Start-menu entry.
#
#   check-windows-setup.sh BUILD_DIR
#
# It uses the Wine prefix in $WINEPREFIX (BUILD_DIR/wineprefix without it), made by the caller,
# and waits for Wine's programs by waiting for the prefix's wineserver to end: no persistent
# wineserver may be running there. The setup program is 32-bit: Wine's 32-bit loader runs it.
set -euo pipefail

build=$(cd "${1:?usage: check-windows-setup.sh BUILD_DIR}" && pwd)
shopt -s nullglob
setups=("$build"/rzflash-*-setup.exe)
shopt -u nullglob
[ ${#setups[@]} -eq 1 ] || { echo "setup: want one rzflash-*-setup.exe in $build"; exit 1; }
setup=${setups[0]}
staged=$(find "$build/_CPack_Packages" -type d -name "$(basename "$setup" .exe)" | head -n1)

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
# No Linux menu entries for the Start-menu entry, no .NET or HTML engines to install.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
drive=$WINEPREFIX/drive_c
folder="$drive/Program Files/RZFLASH"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/RZFLASH.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\RZFLASH'
out=$(mktemp)
trap 'rm -f "$out"' EXIT

failures=0
fail() {
  echo "setup:   FAIL: $*"
  failures=$((failures + 1))
}
# Runs a Wine program with its output in a file (Wine's helper processes keep the pipes of the
# program that started them), waits until every program of the prefix has ended, and shows the
# command, its status and its output.
run() {
  local status=0
  echo "setup: \$ ${*#/usr/lib/wine/}"
  "$@" <"/dev/null" >"$out" 2>&1 || status=$?
  wineserver -w
  sed 's/\r$//; s/^/setup:   | /' "$out"
  echo "setup:   status $status"
  return "$status"
}
# The files and folders under the program folder, one a line, folders ending in a slash.
listing() {
  [ -d "$folder" ] || return 0
  (cd "$folder" && find . -mindepth 1 \( -type d -printf '%P/\n' -o -printf '%P\n' \) | LC_ALL=C sort)
}
expect_listing() {
  local want=$1 got
  got=$(listing)
  if [ "$got" != "$want" ]; then
    fail "the program folder holds"
    diff <(echo "$want") <(echo "$got") | sed 's/^/setup:     /' || true
  fi
}
# The given files of the user's with their folders, as listing() shows them.
with_folders() {
  local f
  for f in "$@"; do
    echo "$f"
    while [ "$(dirname "$f")" != . ]; do
      f=$(dirname "$f")
      echo "$f/"
    done
  done
}
user_files=()

check_installed() {
  # Everything the install rules name, the empty "BIOS Files" and the uninstaller, and what the
  # user has kept from before.
  expect_listing "$({ (cd "$staged" && find . -mindepth 1 \( -type d -printf '%P/\n' -o -printf '%P\n' \))
    printf '%s\n' "BIOS Files/" Uninstall.exe
    with_folders "${user_files[@]}"; } | LC_ALL=C sort -u)"
  for f in rzflash-cli.exe RZFLASH.CFG HELP.CHM DRIVER.txt Skin/; do
    listing | grep -qxF "$f" || fail "$f was not installed"
  done
  listing | grep -q '^Skin/.' || fail "the skin is empty"
  if [ -f "$shortcut" ]; then
    grep -qa 'rzflash\.exe' "$shortcut" || fail "the Start-menu entry does not start rzflash.exe"
    echo "setup: Start-menu entry RZFLASH.lnk starts $(strings -a "$shortcut" | grep -m1 '\\rzflash\.exe$')"
  else
    fail "no Start-menu entry $shortcut"
  fi
  run "$wine64" reg query "$key" || fail "no Uninstall key"
  for value in "DisplayName    REG_SZ    RZFLASH" "DisplayVersion    REG_SZ    " \
               "Publisher    REG_SZ    " "DisplayIcon    REG_SZ    C:\\Program Files\\RZFLASH\\" \
               "UninstallString    REG_SZ    \"C:\\Program Files\\RZFLASH\\Uninstall.exe\""; do
    grep -qF "$value" "$out" || fail "the Uninstall key lacks '$value'"
  done
}

check_removed() {
  expect_listing "$(with_folders "${user_files[@]}" | LC_ALL=C sort -u)"
  if [ -e "$shortcut" ]; then fail "the Start-menu entry is still there"; else echo "setup: Start-menu entry RZFLASH.lnk: gone"; fi
  if run "$wine64" reg query "$key"; then fail "the Uninstall key is still there"; fi
}

# round NAME USER_FILE: install, try the program, make the user's file, uninstall, check what is
# left.
round() {
  echo "setup: -- $1"
  run "$wine32" "$setup" /S || fail "the setup program failed"
  echo "setup: installed in C:\\Program Files\\RZFLASH:"
  listing | grep -v '^Skin/.' | sed 's/^/setup:   /'
  echo "setup:   Skin/ with $(listing | grep -c '^Skin/.') files"
  check_installed
  if run "$wine64" 'C:\Program Files\RZFLASH\rzflash-cli.exe' --machine nvidia-spi info; then
    grep -q '^BIOS version: ' "$out" && grep -qx '\[Ready\]' "$out" || fail "info did not report the card"
  else
    fail "the installed rzflash-cli failed"
  fi
  mkdir -p "$(dirname "$folder/$2")"
  echo "a file of the user's" >"$folder/$2"
  user_files+=("$2")
  echo "setup: made $2"
  # The uninstaller copies itself to a temporary folder and returns at once: run() waits for the
  # copy, which does the work, through the wineserver.
  run "$wine32" 'C:\Program Files\RZFLASH\Uninstall.exe' /S || fail "the uninstaller failed"
  echo "setup: left in C:\\Program Files\\RZFLASH:"
  listing | sed 's/^/setup:   /'
  check_removed
}

echo "setup: $(basename "$setup"), $(stat -c %s "$setup") bytes; prefix $WINEPREFIX"
[ -n "$staged" ] || { echo "setup: the files cpack staged for it are gone"; exit 1; }
if [ -e "$folder" ]; then echo "setup: $folder exists before the install"; exit 1; fi
round "install, back up, uninstall" "Backups/PX4R7-20250101-120000.rom"
round "install again over what was left, with a BIOS file of the user's" "BIOS Files/mine.rom"
echo "setup: 2 rounds, $failures failures"
[ "$failures" -eq 0 ]
