#!/bin/bash
# stage-install.sh <windows build dir> <install dir>
# Lays out an install tree: the service, and runtime\naive\naive.exe and
# runtime\sing-box\sing-box.exe. Real programs are taken from KORVANE_NAIVE_EXE
# and KORVANE_SINGBOX_EXE when set; otherwise the test stand-ins are used.
set -euo pipefail
build=$1
stage=$2
mkdir -p "$stage/runtime/naive" "$stage/runtime/sing-box"
cp "$build/service/host/korvane_service.exe" "$stage/"
place() {  # place <name> <real program or empty>
    local name=$1 real=$2
    if [ -n "$real" ]; then
        cp "$real" "$stage/runtime/$name/$name.exe"
        echo "stage: runtime/$name/$name.exe from $real"
    else
        cp "$build/standins/$name.exe" "$stage/runtime/$name/$name.exe"
        echo "stage: runtime/$name/$name.exe is the test stand-in (set KORVANE_${3}_EXE to use the real program)"
    fi
}
place naive "${KORVANE_NAIVE_EXE:-}" NAIVE
place sing-box "${KORVANE_SINGBOX_EXE:-}" SINGBOX
