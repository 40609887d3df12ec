#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up the machine, builds the debug preset and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
preset=${RZFLASH_TEST_PRESET:-debug}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
