#!/bin/bash
# config_scan_bench.sh [windows build dir] [rounds]
# Builds config_scan_bench and runs it under Wine: buildSingBoxConfig for five
# applications with 25,000 entries below resources\app, beside a bare
# FindFirstFileExW walk of the same trees; prints both medians and the ratio.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/windows}
cmake --build "$build" --target config_scan_bench >/dev/null
scripts/wine-run.sh "$build/bench/config_scan_bench.exe" "${2:-15}"
