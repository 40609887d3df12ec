#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up the machine, builds the two programs of the `main` preset (the release build without
# tests, benchmarks or window) and runs the program on the default emulated card
# (or the machine named by RZFLASH_MACHINE): detection, a backup of the card's BIOS, and a flash of
# a newer BIOS built for the card.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh main
cmake --preset main >/dev/null
cmake --build --preset main
cli=build/main/src/cli/rzflash-cli
image=build/main/tools/testimage/rzflash-image
machine=${RZFLASH_MACHINE:-nvidia-spi}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== rzflash-cli --machine $machine info"
"$cli" --machine "$machine" info
echo
echo "== rzflash-cli --machine $machine save backup.rom"
"$cli" --machine "$machine" save "$work/backup.rom"
echo "   ($(stat -c %s "$work/backup.rom") bytes saved)"
echo
echo "== rzflash-cli --machine $machine --answer no flash new-bios.rom   (a BIOS of version F5)"
"$image" --block F5 "$work/new-bios.rom"
"$cli" --machine "$machine" --answer no flash "$work/new-bios.rom"
