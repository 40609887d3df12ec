#!/usr/bin/env bash
# Sets up the machine, builds the release preset and runs the program on the default emulated card.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/src/cli/rzflash-cli --machine "${RZFLASH_MACHINE:-nvidia-spi}" info "$@"
