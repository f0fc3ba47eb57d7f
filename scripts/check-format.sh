#!/bin/bash
# Fails when clang-format would change a tracked C++ file, and shows what it
# would change. The version is pinned (clang-format-14, which scripts/setup.sh
# installs) because other versions format the same file differently.
# Fix with: clang-format-14 -i <file>...
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=clang-format-14
if ! command -v "$formatter" >/dev/null; then
    echo "check-format: $formatter is missing; scripts/setup.sh installs it" >&2
    exit 1
fi

mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
drifting=()
for file in "${files[@]}"; do
    if ! "$formatter" --style=file "$file" | cmp -s - "$file"; then
        drifting+=("$file")
    fi
done

if ((${#drifting[@]} == 0)); then
    echo "check-format: ${#files[@]} files as $formatter formats them"
    exit 0
fi
for file in "${drifting[@]}"; do
    "$formatter" --style=file "$file" | diff -u --label "$file" --label "$file (formatted)" \
        "$file" - | head -n 30 || true
done
echo "check-format: $formatter would change ${#drifting[@]} file(s):" >&2
printf '  %s\n' "${drifting[@]}" >&2
exit 1
