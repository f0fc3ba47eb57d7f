#!/bin/bash
# health_bench.sh [count]
# Starts korvane_service.exe in console mode under Wine (127.0.0.1:49190) and
# a floor server (a minimal Winsock program: accept, receive once, fixed 200
# answer), then:
#  1. times `count` (default 1000) sequential GET /health round trips against
#     each, taking turns, in the same run: median and 99th percentile of both
#     and the ratio of the medians (target: ratio at most 2, p99 under 10 ms);
#  2. 10,000 sequential round trips to the service alone (target: none lost);
#  3. 20 clients at once, 250 round trips each (target: none lost, p99 at
#     most 30 ms);
#  4. `count` sequential round trips while SILENT (default 63) connections
#     that send nothing are held open (target: median at most twice that of
#     2, none over 50 ms). The endpoint keeps at most 64 connections open, so
#     63 silent ones is the most that leaves room for the health check; with
#     more, each check closes the oldest silent one to make room.
# Fails when a target is missed.
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
floor_pid=$!
pids+=($floor_pid)

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

bench() {
    wine "$build/bench/round_trip_bench.exe" "$@"
}
missed=0
# verdict <label> <condition over m, p, x (median, p99, max ms) and f (failed)> <result line>
verdict() {
    awk -v label="$1" '{ m = $3; p = $6; x = $9; f = $(NF - 1)
        ok = ('"$2"'); printf "health_bench: %s: %s\n", label, ok ? "met" : "MISSED"; exit !ok }' \
        <<<"$3" || missed=1
}

echo "health_bench: 1. $count sequential GET /health round trips each"
result=$(bench "$count" "GET /health" floor="$floor_port" service=49190)
echo "$result"
read -r floor_median < <(awk '$1 == "floor" {print $3}' <<<"$result")
read -r service_median service_p99 < <(awk '$1 == "service" {print $3, $6}' <<<"$result")
awk -v f="$floor_median" -v m="$service_median" -v p="$service_p99" 'BEGIN {
    ok = (m <= 2 * f) && (p < 10)
    printf "health_bench: median ratio %.2f (target <= 2), service p99 %.3f ms (target < 10): %s\n",
        m / f, p, ok ? "met" : "MISSED"
    exit ok ? 0 : 1
}' || missed=1

# The rest measures the service alone: with the floor server up, even idle
# in accept, the concurrent figure came out 2-3 times worse under Wine.
kill "$floor_pid" 2>/dev/null || true

echo "health_bench: 2. 10,000 sequential round trips to the service"
unloaded=$(bench 10000 "GET /health" service=49190)
echo "$unloaded"
verdict "none lost" "f == 0" "$unloaded"
read -r unloaded_median < <(awk '{print $3}' <<<"$unloaded")

echo "health_bench: 3. 20 clients at once, 250 round trips each"
result=$(bench --clients=20 250 "GET /health" service=49190)
echo "$result"
verdict "none lost, p99 <= 30 ms" "f == 0 && p <= 30" "$result"

silent=${SILENT:-63}
echo "health_bench: 4. $count sequential round trips with $silent silent connections held open"
result=$(bench --silent="$silent" "$count" "GET /health" service=49190)
echo "$result"
verdict "median <= 2 x $unloaded_median ms, none over 50 ms, none lost" \
    "m <= 2 * $unloaded_median && x <= 50 && f == 0" "$result"
exit $missed
