#!/usr/bin/env bash
# Installs every Debian package the project needs that this machine lacks (idempotent).
# `setup.sh windows` also installs the Windows cross toolchains (64-bit and 32-bit) and Wine, which
# run the Windows builds' suites (the 32-bit Wine, from Debian's i386 architecture, which it adds,
# runs the 32-bit build and the setup program), and makensis, which makes the setup program;
# `setup.sh bench` also installs flashrom, which bench/vs-flashrom.sh compares with;
# `setup.sh package` also installs what builds, checks, installs and reads the Debian package
# (dpkg-shlibdeps and file for the dependencies, lintian, pkexec it depends on, man).
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
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 wine32:i386 nsis)
fi
if [ "${1:-}" = bench ]; then
  packages+=(flashrom)
fi
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev file lintian pkexec man-db)
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
  if [ "${1:-}" = windows ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails one index (often a foreign architecture's); the lists already
  # on the machine usually still hold the packages, so go on and let the install decide.
  if ! "${sudo_cmd[@]}" apt-get update -qq; then
    echo "setup: apt-get update reported errors; installing from the package lists at hand" >&2
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
