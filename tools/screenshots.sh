#!/usr/bin/env bash
# Runs rzflash-demo under a virtual X server and saves PNG screenshots of the main window (idle,
# hovered, pressed, busy, busy with the progress bar) and of both skinned dialogs into
# <build folder>/screenshots, then the window after a failed driver bring-up (with its message
# box) into <build folder>/screenshots/design.
# Usage: tools/screenshots.sh [build folder] [preset or scenario]   (default build/dbg, nvidia-spi)
set -euo pipefail
build="$(realpath "${1:-build/dbg}")"
machine="${2:-nvidia-spi}"
demo="$build/bin/rzflash-demo"
out="$build/screenshots"
[ -x "$demo" ] || { echo "screenshots: $demo not built" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/*.png
RZFLASH_DEMO_SCREENSHOT="$out" timeout 60 \
  xvfb-run -a -s "-screen 0 1024x768x24" "$demo" "$machine"
scenario="$(mktemp -d)"
trap 'rm -rf "$scenario"' EXIT
echo '{"driver": "missing", "program_folder": "."}' > "$scenario/driver-missing.json"
mkdir -p "$out/design"
rm -f "$out"/design/*.png
RZFLASH_DEMO_SCREENSHOT="$out/design" timeout 60 \
  xvfb-run -a -s "-screen 0 1024x768x24" "$demo" "$scenario/driver-missing.json"
ls -l "$out" "$out/design"
