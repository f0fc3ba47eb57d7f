#!/bin/bash
# health_bench.sh [count]
# Starts korvane_service.exe in console mode under Wine (127.0.0.1:49190) and
# a floor server (a minimal Winsock program: accept, receive once, fixed 200
# answer), then times `count` (default 1000) sequential GET /health round
# trips against each, taking turns, in the same run. Prints median and 99th
# percentile of both and the ratio of the medians; fails when the service's
# median exceeds twice the floor's or its 99th percentile reaches 10 ms.
# GET /health probes 127.0.0.1:1080, refused at once when nothing listens.
#
# BUILD_DIR (default build/windows) is the windows preset's build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
# Ports 49190 and 1080 are shared with the tests of other checkouts.
if [ -z "${KORVANE_PORTS_LOCKED:-}" ]; then
    exec env KORVANE_PORTS_LOCKED=1 flock /tmp/korvane-ports.lock "$0" "$@"
fi

count=${1:-1000}
build=${BUILD_DIR:-build/windows}
floor_port=49290

log=$(mktemp)
if ! { { [ -f "$build/build.ninja" ] || cmake --preset windows -B "$build"; } &&
    cmake --build "$build" -j2 --target korvane_service floor_server round_trip_bench; } >"$log" 2>&1; then
    tail -30 "$log" >&2
    exit 1
fi
rm -f "$log"

export WINEDEBUG=-all WINEPREFIX="${WINEPREFIX:-$PWD/.wine-test}" WINEDLLOVERRIDES="mscoree,mshtml="
# One wineserver for all three programs (it may be up already).
wineserver -p60 || true

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT

wine "$build/service/host/korvane_service.exe" &
pids+=($!)
wine "$build/bench/floor_server.exe" "$floor_port" &
pids+=($!)

# Both listen once a request is answered.
for port in 49190 "$floor_port"; do
    for _ in $(seq 100); do
        if wine "$build/bench/round_trip_bench.exe" 1 "GET /health" "probe=$port" 2>/dev/null |
            grep -q "(1 answered"; then
            continue 2
        fi
        sleep 0.2
    done
    echo "health_bench: nothing answers on 127.0.0.1:$port" >&2
    exit 1
done

echo "health_bench: $count sequential GET /health round trips each"
result=$(wine "$build/bench/round_trip_bench.exe" "$count" "GET /health" \
    floor="$floor_port" service=49190)
echo "$result"

read -r floor_median < <(awk '$1 == "floor" {print $3}' <<<"$result")
read -r service_median service_p99 < <(awk '$1 == "service" {print $3, $6}' <<<"$result")
awk -v f="$floor_median" -v m="$service_median" -v p="$service_p99" 'BEGIN {
    ok = (m <= 2 * f) && (p < 10)
    printf "health_bench: median ratio %.2f (target <= 2), service p99 %.3f ms (target < 10): %s\n",
        m / f, p, ok ? "met" : "MISSED"
    exit ok ? 0 : 1
}'
