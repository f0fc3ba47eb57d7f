#!/bin/sh
# Runs a Windows executable under Wine without Wine's own diagnostics, in the
# test prefix unless the caller chose another one.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$here/.wine-test}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
