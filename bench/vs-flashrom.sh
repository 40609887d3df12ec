#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process flash + verify of one 64 KiB BIOS on the emulated ST M25P10 through rzflash-cli,
# paired run by run with Debian's flashrom writing and verifying a 128 KiB image on its own
# emulated M25P10 (dummy programmer). Prints host milliseconds per KiB for both, wall clock and
# CPU (user + system), and the ratio ours / flashrom: the median over the paired runs of each
# pair's ratio, so that a machine whose speed drifts between pairs still compares like with like.
#
#   bench/vs-flashrom.sh [RUNS]        RUNS paired runs after one warm-up pair (default 15)
#
# Both chips start each run with an older image and end it holding the new one; a run that does
# not end so stops the script. RZFLASH_BUILD_DIR names another build of rzflash-cli and
# rzflash-image (default: build/release, configured and built here with the release preset).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-15}
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bench/vs-flashrom.sh [RUNS]" >&2
  exit 2
fi

bash scripts/setup.sh bench
build=${RZFLASH_BUILD_DIR:-}
if [ -z "$build" ]; then
  build=build/release
  cmake --preset release >/dev/null
  cmake --build --preset release --target rzflash-cli rzflash-image >/dev/null
fi
cli=$(realpath "$build/src/cli/rzflash-cli")
image=$(realpath "$build/tools/testimage/rzflash-image")
flashrom=$(command -v flashrom)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Our side: a scenario whose one NVIDIA card carries an ST M25P10 with a persistent image.
mkdir -p program
printf '; graphics chip of the emulated card\nasic_nv 10de 191 1 0 G80\n' >program/RZFLASH.CFG
cat >machine.json <<'EOF'
{
  "program_folder": "program",
  "adapters": [
    { "bus": 1, "device": 0, "vendor_id": "0x10DE", "device_id": "0x0191",
      "subsystem_vendor_id": "maker", "subsystem_id": "0x34C7",
      "eeprom": { "chip": "ST M25P10", "image": "card.rom", "persist": true } }
  ]
}
EOF
"$image" --block F4 --seed 1 old.rom >/dev/null
"$image" --block F5 --seed 2 new.rom >/dev/null
ours_kib=$(($(stat -c %s new.rom) / 1024))

# flashrom's side: its emulated M25P10 holds 128 KiB; the same images, twice each.
cat old.rom old.rom >old-128.rom
cat new.rom new.rom >new-128.rom
theirs_kib=$(($(stat -c %s new-128.rom) / 1024))

TIMEFORMAT='%3R %3U %3S'

# Runs one side once; appends "wall_ms cpu_ms" to $1.
run_ours() {
  cp old.rom card.rom
  { time "$cli" --machine machine.json --answer no flash new.rom >ours.log 2>&1; } 2>time.txt ||
    { echo "rzflash-cli failed:" >&2; cat ours.log >&2; exit 1; }
  cmp -s card.rom new.rom || { echo "rzflash-cli did not leave the new image on the chip" >&2; exit 1; }
  awk '{ printf "%.3f %.3f\n", $1 * 1000, ($2 + $3) * 1000 }' time.txt >>"$1"
}
run_theirs() {
  cp old-128.rom chip.rom
  { time "$flashrom" -p "dummy:emulate=M25P10.RES,image=chip.rom" -w new-128.rom >theirs.log 2>&1; } 2>time.txt ||
    { echo "flashrom failed:" >&2; cat theirs.log >&2; exit 1; }
  cmp -s chip.rom new-128.rom || { echo "flashrom did not leave the new image on the chip" >&2; exit 1; }
  awk '{ printf "%.3f %.3f\n", $1 * 1000, ($2 + $3) * 1000 }' time.txt >>"$1"
}

run_ours warmup.txt
run_theirs warmup.txt
for ((i = 0; i < runs; ++i)); do
  run_ours ours.txt
  run_theirs theirs.txt
done

echo "flash + verify, whole process, $runs paired runs (median; load average $(cut -d' ' -f1-3 /proc/loadavg))"
echo "  rzflash-cli: $ours_kib KiB on the emulated ST M25P10 (scenario file, --answer no)"
echo "  flashrom:    $theirs_kib KiB, -p dummy:emulate=M25P10.RES, -w (write + verify)"
paste ours.txt theirs.txt | awk -v a="$ours_kib" -v b="$theirs_kib" '
  function median(v, n,   i, j, t) {
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] > v[j]; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  {
    ++n
    ow[n] = $1 / a; oc[n] = $2 / a; tw[n] = $3 / b; tc[n] = $4 / b
    rw[n] = tw[n] > 0 ? ow[n] / tw[n] : 0; rc[n] = tc[n] > 0 ? oc[n] / tc[n] : 0
  }
  END {
    printf "%-8s %16s %16s %10s\n", "", "rzflash-cli", "flashrom", "ratio"
    printf "%-8s %11.3f ms/KiB %8.3f ms/KiB %10.3f\n", "wall", median(ow, n), median(tw, n), median(rw, n)
    printf "%-8s %11.3f ms/KiB %8.3f ms/KiB %10.3f\n", "cpu", median(oc, n), median(tc, n), median(rc, n)
  }'
