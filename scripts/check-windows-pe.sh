#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the PE headers of a Windows build's programs: the machine they are built for, their
# subsystem (console or windowed) and the DLLs they import, which must all be the system's own
# (libgcc, libstdc++ and winpthreads are linked statically). Prints what it found for each.
#
#   check-windows-pe.sh BUILD_DIR x86-64|i386
#
# BUILD_DIR/pe-check.txt, written by the build (cmake/WindowsPeCheck.cmake), names the target's
# objdump and has one line "console|windows PATH" for each program the build has.
set -euo pipefail

usage="usage: check-windows-pe.sh BUILD_DIR x86-64|i386"
list=${1:?$usage}/pe-check.txt
machine=${2:?$usage}
[ -f "$list" ] || { echo "pe: $list is missing (configure the build first)"; exit 1; }

# System DLLs a program may import; anything else would have to travel with it.
allowed='^(kernel32|user32|gdi32|advapi32|shell32|comdlg32|comctl32|ole32|oleaut32|shlwapi|msvcrt|ntdll|version|uxtheme|api-ms-win-.*)\.dll$'

objdump=""
failures=0
checked=0
fail() {
  echo "pe:   FAIL: $*"
  failures=$((failures + 1))
}

# The COFF header's Machine field, read from the file itself: 8664 (x86-64) or 014c (i386).
machine_field() {
  local pe
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}

check() {
  local kind=$1 file=$2 dump format field subsystem dlls dll
  echo "pe: $(basename "$file") ($file)"
  if [ ! -f "$file" ]; then
    fail "not built"
    return
  fi
  checked=$((checked + 1))
  dump=$("$objdump" -p "$file")
  format=$(sed -n 's/.*file format //p' <<<"$dump" | head -n1)
  field=$(machine_field "$file")
  subsystem=$(awk '$1 == "Subsystem" { $1 = ""; $2 = ""; sub(/^ +/, ""); print; exit }' <<<"$dump")
  dlls=$(awk '/DLL Name:/ { print $3 }' <<<"$dump")
  echo "pe:   machine 0x$field, format $format"
  echo "pe:   subsystem $subsystem"
  echo "pe:   imports $(tr '\n' ' ' <<<"$dlls")"
  case "$machine" in
    x86-64) [ "$field" = 8664 ] && [ "$format" = pei-x86-64 ] || fail "not an x86-64 program" ;;
    i386) [ "$field" = 014c ] && [ "$format" = pei-i386 ] || fail "not an i386 program" ;;
    *) fail "unknown machine '$machine'" ;;
  esac
  case "$kind" in
    console) [ "$subsystem" = "(Windows CUI)" ] || fail "not a console program" ;;
    windows) [ "$subsystem" = "(Windows GUI)" ] || fail "not a windowed program" ;;
    *) fail "unknown kind '$kind' in $list" ;;
  esac
  [ -n "$dlls" ] || fail "imports no DLL at all"
  for dll in $dlls; do
    grep -qiE "$allowed" <<<"$dll" || fail "imports $dll, which is no system DLL"
  done
}

while read -r key value; do
  case "$key" in
    objdump) objdump=$value ;;
    console | windows) check "$key" "$value" ;;
    "") ;;
    *) fail "unknown line '$key $value' in $list" ;;
  esac
done <"$list"

[ "$checked" -gt 0 ] || fail "no program was checked"
echo "pe: $checked programs checked for $machine, $failures failures"
[ "$failures" -eq 0 ]
