#!/bin/sh
# Runs the OutsideSocks* tests of a Windows test executable while the Linux
# microsocks serves 127.0.0.1:1080 (a Windows test cannot start a Linux
# program). Arguments: microsocks, the Wine runner, the test executable.
set -u
microsocks=$1
runner=$2
tests=$3

"$microsocks" -i 127.0.0.1 -p 1080 >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

# Wait until it listens (or has died because the port is taken).
i=0
until ss -Hltn 'sport = :1080' | grep -q .; do
    if ! kill -0 "$pid" 2>/dev/null || [ "$i" -ge 50 ]; then
        echo "microsocks did not start on 127.0.0.1:1080" >&2
        exit 1
    fi
    i=$((i + 1))
    sleep 0.1
done

KORVANE_OUTSIDE_SOCKS=1 "$runner" "$tests" --gtest_filter='OutsideSocks*'
