#!/bin/bash
# start_bench.sh [windows build dir] [runs]: builds and runs the start
# benchmark under Wine. It binds 127.0.0.1:1080 through the naive stand-in,
# and as root has tests/with_tun_devices.sh make the stand-in sing-box.exe's
# TUN device for the case "adapter up at once".
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build/windows}
cmake --build "$build" --target start_bench standin_sing-box >/dev/null
# Through a pipe: stopping sing-box.exe detaches the benchmark, a console
# program, from its console (platform/console_interrupt.cpp).
flock /tmp/korvane-ports.lock sh "$here/tests/with_tun_devices.sh" \
    "$here/scripts/wine-run.sh" "$build/bench/start_bench.exe" "${2:-7}" | cat
