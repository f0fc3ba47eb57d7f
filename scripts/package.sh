#!/bin/bash
# Builds the release preset and writes the package into dist/ (or
# $KORVANE_PACKAGE_DIR):
#   korvane-vpn-service-<version>-win64.zip        the two programs, README.md,
#                                                  LICENSE, THIRD-PARTY-NOTICES.txt
#   korvane-vpn-service-<version>-win64-debug.zip  their debug files
#   SHA256SUMS                                     over both zips
# The zips are reproducible: fixed order, permissions and time stamps (from
# SOURCE_DATE_EPOCH, else the commit's time). KORVANE_BUILD_DIR chooses another
# build folder (at the same depth below the sources, e.g. build/release-check).
# With KORVANE_SIGN_CERT and KORVANE_SIGN_KEY (PEM files), or KORVANE_SIGN_CERT
# alone as a PKCS#12 file (.p12/.pfx; password in KORVANE_SIGN_PASSWORD), both
# programs are signed with osslsigncode and verified before zipping.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=${KORVANE_BUILD_DIR:-build/release}
out=${KORVANE_PACKAGE_DIR:-dist}

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
        { echo "package: set SOURCE_DATE_EPOCH (not a git checkout)" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH

# N.B. No ccache: its base folder turns absolute source paths into relative
# ones that the file-prefix maps miss, and a cached object may come from
# another folder's build.
export CCACHE_DISABLE=1
cmake --preset release -B "$build" -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null
cmake --build "$build" -j "$(nproc)" --target korvane_service korvane_updater

version=$(cat "$build/korvane_version.txt")
name="korvane-vpn-service-$version-win64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/service/host/korvane_service.exe" "$build/service/host/korvane_service.exe.debug" \
    "$build/updater/korvane_updater.exe" "$build/updater/korvane_updater.exe.debug" "$stage/"

if [ -n "${KORVANE_SIGN_CERT:-}" ]; then
    command -v osslsigncode >/dev/null || { echo "package: osslsigncode is missing (scripts/setup.sh)" >&2; exit 1; }
    credentials=()
    case "$KORVANE_SIGN_CERT" in
        *.p12 | *.pfx) credentials=(-pkcs12 "$KORVANE_SIGN_CERT") ;;
        *)
            [ -n "${KORVANE_SIGN_KEY:-}" ] || { echo "package: KORVANE_SIGN_KEY is not set" >&2; exit 1; }
            credentials=(-certs "$KORVANE_SIGN_CERT" -key "$KORVANE_SIGN_KEY") ;;
    esac
    if [ -n "${KORVANE_SIGN_PASSWORD:-}" ]; then
        printf '%s' "$KORVANE_SIGN_PASSWORD" >"$stage/password"
        credentials+=(-readpass "$stage/password")
    fi
    for program in korvane_service korvane_updater; do
        osslsigncode sign "${credentials[@]}" -h sha256 -n "Korvane VPN" \
            -in "$stage/$program.exe" -out "$stage/$program.signed.exe" >/dev/null
        mv "$stage/$program.signed.exe" "$stage/$program.exe"
        osslsigncode verify -in "$stage/$program.exe" >/dev/null 2>&1 ||
            osslsigncode verify -CAfile "${KORVANE_SIGN_CA:-$KORVANE_SIGN_CERT}" -in "$stage/$program.exe" >/dev/null ||
            { echo "package: the signature of $program.exe does not verify" >&2; exit 1; }
    done
    rm -f "$stage/password"
    echo "package: signed"
else
    echo "package: UNSIGNED (set KORVANE_SIGN_CERT and KORVANE_SIGN_KEY to sign)"
fi

cp README.md LICENSE THIRD-PARTY-NOTICES.txt "$stage/"
mkdir -p "$out"
rm -f "$out/$name.zip" "$out/$name-debug.zip" "$out/SHA256SUMS"
scripts/deterministic_zip.py "$out/$name.zip" "$stage" korvane_service.exe korvane_updater.exe \
    README.md LICENSE THIRD-PARTY-NOTICES.txt
scripts/deterministic_zip.py "$out/$name-debug.zip" "$stage" korvane_service.exe.debug \
    korvane_updater.exe.debug
(cd "$out" && sha256sum "$name.zip" "$name-debug.zip" >SHA256SUMS)

size=$(stat -c %s "$stage/korvane_service.exe")
echo "package: korvane_service.exe is $size bytes (limit 3 MiB = 3145728)"
[ "$size" -le 3145728 ] || { echo "package: korvane_service.exe is larger than 3 MiB" >&2; exit 1; }
echo "package: $out/$name.zip, $out/$name-debug.zip, $out/SHA256SUMS"
