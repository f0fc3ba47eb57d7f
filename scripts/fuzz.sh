#!/bin/bash
# Builds the libFuzzer targets and runs each for a bounded time
# (FUZZ_SECONDS, default 30). Any crash or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
# The fuzz preset builds nothing but fuzz targets as executables.
mapfile -t targets < <(find build/fuzz -path '*/CMakeFiles' -prune -o -type f -perm -u+x \
    ! -name '*.so' ! -name '*.sh' -print | sort)
if ((${#targets[@]} == 0)); then
    echo "fuzz: no targets built" >&2
    exit 1
fi
for target in "${targets[@]}"; do
    name=$(basename "$target")
    corpus_dir="build/fuzz/corpus/$name"
    mkdir -p "$corpus_dir"
    # Seeds, if a module keeps them, live in <module>/fuzz/corpus/<target>.
    seeds=$(find . -path ./build -prune -o -type d -path "*/fuzz/corpus/$name" -print | head -1)
    echo "fuzz: $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus_dir" ${seeds:+"$seeds"} \
        >"build/fuzz/$name.log" 2>&1 || { tail -40 "build/fuzz/$name.log"; exit 1; }
done
echo "fuzz: ${#targets[@]} targets ran without a finding"
