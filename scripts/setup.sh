#!/bin/bash
# Installs what the build and the tests need on Debian 12 and prepares the
# Wine prefix of the tests. Safe to run again: it only adds what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake ninja-build g++ clang-16 libclang-rt-16-dev clang-format-14 googletest
    nlohmann-json3-dev libspdlog-dev libfmt-dev g++-mingw-w64-x86-64-posix wine wine64 curl microsocks iproute2 python3 osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# A Wine prefix of our own, so tests never touch the user's ~/.wine.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
for prefix in "$here/.wine-test" "$here/.wine"; do
    if [ ! -f "$prefix/system.reg" ]; then
        echo "setup: initialising Wine prefix $prefix"
        WINEPREFIX="$prefix" wineboot --init >/dev/null 2>&1 || true
        WINEPREFIX="$prefix" wineserver -w
    fi
done
