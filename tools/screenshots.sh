#!/usr/bin/env bash
# Runs rzflash-demo under a virtual X server and saves PNG screenshots of the main window (idle,
# hovered, busy) and of both skinned dialogs into <build folder>/screenshots.
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
ls -l "$out"
