#!/bin/bash
# unknown_caller_test.sh <korvane_service.exe> <sleeper.exe>
# A Linux client (curl) against the service under Wine's service manager: its
# connection has no owner that the system names, so the service answers its
# GET /health and refuses its POST /start, and records the refusal. (A Windows
# test cannot start a Linux program under Wine, hence a script.)
set -euo pipefail
service=$1
sleeper=$2
run=$(cd "$(dirname "$0")/../../.." && pwd)/scripts/wine-run.sh

stage=$(mktemp -d /tmp/korvane-unknown-caller.XXXXXX)
cp "$service" "$stage/korvane_service.exe"
# Wine's service manager ends its services once no other Wine process lives.
"$run" "$sleeper" 60000 </dev/null >/dev/null 2>&1 &
keeper=$!
cleanup() {
    "$run" "$stage/korvane_service.exe" uninstall >/dev/null 2>&1 || true
    kill "$keeper" 2>/dev/null || true
    wait "$keeper" 2>/dev/null || true
    rm -rf "$stage"
}
trap cleanup EXIT

"$run" reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\KorvaneVpn\Parameters' /f >/dev/null 2>&1 || true
"$run" "$stage/korvane_service.exe" install 2>/dev/null # warns: /tmp is writable by everyone
for _ in $(seq 100); do
    if curl -s -o /dev/null --max-time 2 http://127.0.0.1:49190/health; then
        break
    fi
    sleep 0.2
done

failed=0
expect() { # <what> <actual> <expected pattern>
    if [[ $2 == $3 ]]; then
        echo "unknown_caller_test: $1: ok"
    else
        echo "unknown_caller_test: $1: got '$2', expected '$3'" >&2
        failed=1
    fi
}
expect "GET /health answered" "$(curl -s --max-time 10 http://127.0.0.1:49190/health)" '{"healthy":*'
expect "POST /start refused" "$(curl -s --max-time 10 -X POST -d '{}' http://127.0.0.1:49190/start)" \
    'Request client not allowed'
expect "refusal logged" \
    "$(grep -o 'warning Refused POST /start from a caller not known to be trusted: .*' \
        "$stage/data/logs/service.log" | tr -d '\r')" \
    'warning Refused POST /start from a caller not known to be trusted: unknown'
exit $failed
