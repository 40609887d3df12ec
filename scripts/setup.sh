#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package the project needs that this machine lacks (idempotent).
# `setup.sh windows` also installs the Windows cross toolchains (64-bit and 32-bit) and Wine, which
# run the Windows builds' suites (the 32-bit Wine, from Debian's i386 architecture, which it adds,
# runs the 32-bit build and the setup program), and makensis, which makes the setup program;
# `setup.sh bench` also installs flashrom, which bench/vs-flashrom.sh compares with;
# `setup.sh package` also installs what builds, checks, installs and reads the Debian package
# (dpkg-shlibdeps and file for the dependencies, lintian, pkexec it depends on, man,
# desktop-file-validate for the desktop entry).
# The default list also holds QEMU and busybox-static: the test command boots a virtual machine
# (tests/vm/run-vm-test.sh), and ccache, which the builds use where it is installed. `setup.sh main`
# installs only what the main job builds with.
set -euo pipefail

if [ "${1:-}" = main ]; then
  packages=(build-essential cmake ninja-build g++ nlohmann-json3-dev)
else
packages=(
  build-essential cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev googletest
  qt6-base-dev xvfb xauth fp-utils fonts-dejavu-core fonts-liberation2
  pciutils
  qemu-system-x86 busybox-static
  ccache
)
fi
if [ "${1:-}" = windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 nsis)
fi
if [ "${1:-}" = bench ]; then
  packages+=(flashrom)
fi
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev file lintian pkexec man-db desktop-file-utils)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  # A mirror caught mid-sync fails one index (often a foreign architecture's); the lists already
  # on the machine usually still hold the packages, so go on and let the install decide.
  if ! "${sudo_cmd[@]}" apt-get update -qq; then
    echo "setup: apt-get update reported errors; installing from the package lists at hand" >&2
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The 32-bit Wine comes from the i386 architecture, whose index may be the one a mirror caught
# mid-sync lacks: then i386 libraries cannot match the versions of their amd64 twins and apt
# refuses. The rest of the Windows checks do not need it, so its absence is reported, not fatal;
# scripts/run-windows-tests.sh says what it skips without it.
if [ "${1:-}" = windows ] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    "${sudo_cmd[@]}" apt-get update -qq || true
  fi
  echo "setup: installing wine32:i386"
  if ! DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends wine32:i386; then
    echo "setup: WARNING: wine32:i386 cannot be installed from the package lists at hand;" \
      "the 32-bit Windows suites and the setup program's try-out will be skipped" >&2
  fi
fi
