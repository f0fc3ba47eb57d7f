#!/bin/bash
# Sets up the machine, builds the windows preset, stages an install tree and
# runs korvane_service.exe in console mode under Wine, answering on
# 127.0.0.1:49190 until Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

stage=build/install
scripts/stage-install.sh build/windows "$stage"

export WINEDEBUG=-all WINEPREFIX="$PWD/.wine" WINEDLLOVERRIDES="mscoree,mshtml="
echo "korvane_service: console mode on 127.0.0.1:49190 (data directory: $stage/data)"
exec wine "$stage/korvane_service.exe"
