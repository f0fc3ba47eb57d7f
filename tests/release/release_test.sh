#!/bin/bash
# The release package end to end: its files and checksums, the version that
# the programs print, their version resources and manifests (read under Wine
# as Windows reads them), stripping and header flags, byte-identical output
# from a second build from scratch, and a signing round trip with a throw-away
# certificate. Run by scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
export WINEDEBUG=-all WINEPREFIX="${WINEPREFIX:-$PWD/.wine-test}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release test: FAILED: $*" >&2; exit 1; }
package() {  # package <output folder> [VAR=value...]: scripts/package.sh, log kept
    local out=$1
    shift
    env KORVANE_PACKAGE_DIR="$out" "$@" scripts/package.sh >"$out.log" 2>&1
}

package "$work/first" || { cat "$work/first.log"; fail "the release package did not build"; }
grep -q "UNSIGNED" "$work/first.log" || fail "an unsigned package does not say so"
grep "korvane_service.exe is" "$work/first.log"

zip=$(cd "$work/first" && ls ./*-win64.zip) && zip=${zip#./}
version=$(sed -n 's/^korvane-vpn-service-\(.*\)-win64\.zip$/\1/p' <<<"$zip")
[ -n "$version" ] || fail "unexpected zip name $zip"
[ "$(cd "$work/first" && LC_ALL=C ls | tr '\n' ' ')" = \
    "SHA256SUMS korvane-vpn-service-$version-win64-debug.zip $zip " ] ||
    fail "unexpected files: $(ls "$work/first")"
(cd "$work/first" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(unzip -Z1 "$work/first/$zip" | tr '\n' ' ')" = \
    "korvane_service.exe korvane_updater.exe README.md LICENSE THIRD-PARTY-NOTICES.txt " ] ||
    fail "unexpected zip content: $(unzip -Z1 "$work/first/$zip")"
[ "$(unzip -Z1 "$work/first/korvane-vpn-service-$version-win64-debug.zip" | tr '\n' ' ')" = \
    "korvane_service.exe.debug korvane_updater.exe.debug " ] || fail "unexpected debug zip content"

unpacked=$work/unpacked
unzip -q "$work/first/$zip" -d "$unpacked"
[ "$(wine "$unpacked/korvane_service.exe" version | tr -d '\r')" = "korvane_service $version" ] ||
    fail "korvane_service.exe version does not print $version"
[ "$(wine "$unpacked/korvane_updater.exe" --version | tr -d '\r')" = "korvane_updater $version" ] ||
    fail "korvane_updater.exe --version does not print $version"

x86_64-w64-mingw32-g++-posix -std=c++23 -O1 -Wall -Wextra -Werror -municode -static \
    -DUNICODE -D_UNICODE -o "$work/version_resource_check.exe" \
    tests/release/version_resource_check.cpp -lversion
for program in korvane_service korvane_updater; do
    exe=$unpacked/$program.exe
    wine "$work/version_resource_check.exe" "$(winepath -w "$exe" 2>/dev/null)" "$version" ||
        fail "$program.exe: version resource or manifest"
    headers=$(x86_64-w64-mingw32-objdump -h -p "$exe")
    grep -q "\.debug_" <<<"$headers" && fail "$program.exe still holds debug sections"
    grep -q "\.gnu_debuglink" <<<"$headers" || fail "$program.exe has no .gnu_debuglink"
    grep -q "DllCharacteristics[[:space:]]*00000160" <<<"$headers" ||
        fail "$program.exe: not HIGH_ENTROPY_VA | DYNAMIC_BASE | NX_COMPAT"
    grep -q "Time/Date.*1970" <<<"$headers" || fail "$program.exe has a PE time stamp"
done

# The same commit built again from scratch, elsewhere and without ccache.
rm -rf build/release-check
package "$work/second" CCACHE_DISABLE=1 KORVANE_BUILD_DIR=build/release-check ||
    { cat "$work/second.log"; fail "the second package did not build"; }
for program in service/host/korvane_service updater/korvane_updater; do
    cmp "build/release/$program.exe" "build/release-check/$program.exe" ||
        fail "$program.exe differs between two builds"
done
for file in "$zip" "korvane-vpn-service-$version-win64-debug.zip" SHA256SUMS; do
    cmp "$work/first/$file" "$work/second/$file" || fail "$file differs between two builds"
done
rm -rf build/release-check

# Signing with a throw-away self-signed certificate; a key that does not belong
# to the certificate fails the package.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Korvane test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl genrsa -out "$work/other.pem" 2048 2>/dev/null
package "$work/signed" KORVANE_SIGN_CERT="$work/cert.pem" KORVANE_SIGN_KEY="$work/key.pem" ||
    { cat "$work/signed.log"; fail "signing failed"; }
unzip -q "$work/signed/$zip" -d "$work/signed-unpacked"
for program in korvane_service korvane_updater; do
    osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed-unpacked/$program.exe" >/dev/null ||
        fail "the signature of $program.exe does not verify"
done
if package "$work/mismatched" KORVANE_SIGN_CERT="$work/cert.pem" KORVANE_SIGN_KEY="$work/other.pem"; then
    fail "a key that does not match the certificate was accepted"
fi
[ ! -e "$work/mismatched" ] || [ -z "$(ls "$work/mismatched")" ] || fail "a failed signing left a package"
echo "release test: passed ($version)"
