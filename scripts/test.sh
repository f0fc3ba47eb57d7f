#!/bin/bash
# Sets up the machine, builds the native (sanitizers) and windows (MinGW, run
# under Wine) presets and runs every test, then the release package's test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
for preset in native windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

export WINEDEBUG=-all WINEPREFIX="$PWD/.wine-test"
# Keep the test prefix's wineserver up between test executables (it leaves by
# itself a minute after the last one).
wineserver -p60 || true  # already running is fine

status=0
ctest --preset native -j "$jobs" || status=1
ctest --preset windows || status=1
tests/release/release_test.sh || status=1

exit $status
