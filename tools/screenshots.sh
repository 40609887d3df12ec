#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the skinned windows from both renderers, and their comparison.
# Runs rzflash-demo (Qt) under a virtual X server and saves PNGs of the main window (idle, hovered,
# pressed, busy, busy with the progress bar) and of both skinned dialogs into <out>/qt, then the
# window after a failed driver bring-up (with its message box) into <out>/qt/design. When a
# Windows build with rzflash-demo.exe is given (or build/windows has one), does the same with the
# native window under Wine into <out>/win32, and compares each native screenshot with its Qt twin
# pixel by pixel outside the text areas (rz_shotcompare): it exits 1 when any other pixel differs.
# Usage: tools/screenshots.sh [host build] [preset or scenario] [windows build] [out]
#        (defaults: build/debug, nvidia-spi, build/windows, <host build>/screenshots)
# With SCREENSHOTS_TO_DOCS=1 the PNGs are also copied to docs/screenshots/ of the repository.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-build/debug}")"
machine="${2:-nvidia-spi}"
windows="$(realpath -m "${3:-build/windows}")"
out="$(realpath -m "${4:-$build/screenshots}")"
demo="$build/bin/rzflash-demo"
compare="$build/tools/shotcompare/rz_shotcompare"
[ -x "$demo" ] || { echo "screenshots: $demo not built" >&2; exit 1; }
scenario="$(mktemp -d)"
trap 'rm -rf "$scenario"' EXIT
echo '{"driver": "missing", "program_folder": "."}' > "$scenario/driver-missing.json"

rm -rf "$out/qt" "$out/win32"
mkdir -p "$out/qt/design" "$out/win32/design"
RZFLASH_DEMO_SCREENSHOT="$out/qt" timeout 60 \
  xvfb-run -a -s "-screen 0 1024x768x24" "$demo" "$machine"
RZFLASH_DEMO_SCREENSHOT="$out/qt/design" timeout 60 \
  xvfb-run -a -s "-screen 0 1024x768x24" "$demo" "$scenario/driver-missing.json"

status=0
native="$windows/bin/rzflash-demo.exe"
if [ -f "$native" ] && [ -x /usr/lib/wine/wine64 ]; then
  export WINEPREFIX="${WINEPREFIX:-$windows/wineprefix}" WINEDEBUG="${WINEDEBUG:--all}"
  run_native() {  # <folder> <machine>
    local shots; shots="$(mktemp -d)"
    if [ -n "${DISPLAY:-}" ]; then
      RZFLASH_DEMO_SCREENSHOT="Z:$shots" timeout 120 /usr/lib/wine/wine64 "$native" "$2" >/dev/null
    else
      RZFLASH_DEMO_SCREENSHOT="Z:$shots" timeout 120 \
        xvfb-run -a -s "-screen 0 1024x768x24" /usr/lib/wine/wine64 "$native" "$2" >/dev/null
    fi
    for f in "$shots"/*.bmp; do
      [ -e "$f" ] || continue
      "$compare" convert "$f" "$1/$(basename "${f%.bmp}").png"
    done
    rm -rf "$shots"
  }
  export QT_QPA_PLATFORM=offscreen
  run_native "$out/win32" "$machine"
  cp "$scenario/driver-missing.json" "$scenario/driver-missing-native.json"
  run_native "$out/win32/design" "Z:$scenario/driver-missing-native.json"
  for shot in main main-hover main-pressed main-busy main-progress msg yesno design/main \
              design/msg design/yesno; do
    kind=main
    case "$shot" in */msg|*/yesno|msg|yesno) kind=dialog ;; design/main) kind=design ;; esac
    if [ ! -f "$out/win32/$shot.png" ]; then
      echo "screenshots: the native window made no $shot.png" >&2
      status=1
      continue
    fi
    "$compare" compare "$kind" "$out/qt/$shot.png" "$out/win32/$shot.png" \
      "$out/win32/$shot-diff.png" 2>/dev/null || status=1
  done
fi
if [ "${SCREENSHOTS_TO_DOCS:-}" = 1 ]; then
  for r in qt win32; do
    mkdir -p "$repo/docs/screenshots/$r/design"
    find "$out/$r" -name '*.png' ! -name '*-diff.png' | while read -r f; do
      cp "$f" "$repo/docs/screenshots/$r/${f#"$out/$r/"}"
    done
  done
fi
ls -R "$out"
exit $status
