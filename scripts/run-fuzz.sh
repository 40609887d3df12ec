#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz preset (clang, libFuzzer, ASan, UBSan) and runs every tests/fuzz/fuzz_*.cpp
# target for a while; fails on the first crash. Time per target: RZFLASH_FUZZ_SECONDS (default
# 20), or RZFLASH_FUZZ_SECONDS_<TARGET> for one target (e.g. RZFLASH_FUZZ_SECONDS_ASIC_CONFIG).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

default_seconds=${RZFLASH_FUZZ_SECONDS:-20}
bin=build/fuzz/fuzz-bin
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

for src in tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  key=$(printf '%s' "${name#fuzz_}" | tr '[:lower:]-' '[:upper:]_')
  per_target="RZFLASH_FUZZ_SECONDS_${key}"
  seconds=${!per_target:-$default_seconds}
  work=$(mktemp -d)
  dirs=("$work")
  if [ -d "tests/fuzz/corpus/$name" ]; then dirs+=("tests/fuzz/corpus/$name"); fi
  echo "fuzz: $name for ${seconds}s"
  if ! "$bin/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$name-" "${dirs[@]}"; then
    rm -rf "$work"
    echo "fuzz: $name failed; reproducer in $artifacts/" >&2
    exit 1
  fi
  rm -rf "$work"
done
