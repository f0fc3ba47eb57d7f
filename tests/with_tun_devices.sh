#!/bin/sh
# Runs a command (a Windows test executable under the Wine runner, with its
# arguments) while this script makes and deletes TUN devices on its request:
# a Windows program cannot run ip(8) itself. The command finds the requests
# folder in KORVANE_TUN_REQUESTS and writes whole files into it:
#   <name>.up    holding an address such as 172.19.0.1/30: a TUN device <name>
#                with that address, up (Wine lists it as an adapter with that
#                friendly name);
#   <name>.down  deletes the device <name>.
# A request file is removed once it was carried out. Every device made here is
# deleted when the command ends, however it ends. Needs root; without it the
# command runs without the variable, and tests that need devices skip.
set -u

if [ "$(id -u)" -ne 0 ]; then
    echo "with_tun_devices.sh: not root, running without TUN devices" >&2
    exec "$@"
fi

requests=$(mktemp -d)
made="$requests/made"  # one empty file per device made, for the clean-up
mkdir "$made"

serve() {
    while :; do
        for request in "$requests"/*.up "$requests"/*.down; do
            [ -f "$request" ] || continue
            file=${request##*/}
            name=${file%.*}
            case $name in
                '' | *[!A-Za-z0-9]* | ????????????????*)
                    echo "with_tun_devices.sh: refused device name '$name'" >&2
                    rm -f "$request"
                    continue
                    ;;
            esac
            if [ "${file##*.}" = up ]; then
                touch "$made/$name"
                ip tuntap add "$name" mode tun &&
                    ip addr add "$(head -n 1 "$request")" dev "$name" &&
                    ip link set "$name" up
            else
                ip link del "$name" && rm -f "$made/$name"
            fi
            rm -f "$request"
        done
        sleep 0.01
    done
}

serve &
server=$!
cleanup() {
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    for device in "$made"/*; do
        [ -f "$device" ] && ip link del "${device##*/}" 2>/dev/null
    done
    rm -rf "$requests"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

KORVANE_TUN_REQUESTS="Z:$requests" "$@"
