#!/bin/bash
# Runs every libFuzzer target in BUILD_DIR (-DPUCKSLIDE_FUZZ=ON, clang) for its share of PUCKSLIDE_FUZZ_SECONDS
# (60) from the checked-in seeds, left as they are; fails on a finding, kept in BUILD_DIR/fuzz-findings/.
set -u
build=${1:?usage: run_fuzzers.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
# A fuzzer whose source is gone may still sit in an old build folder: only today's run.
mapfile -t fuzzers < <(find "$build" -path '*/CMakeFiles' -prune -o -type f -name 'fuzz_*' -perm -u+x -print |
    while read -r f; do [ -f "$here/$(basename "$f").cpp" ] && echo "$f"; done)
[ ${#fuzzers[@]} -gt 0 ] || { echo "run_fuzzers: no fuzz_* executables in $build" >&2; exit 1; }
share=$(( ${PUCKSLIDE_FUZZ_SECONDS:-60} / ${#fuzzers[@]} + 1 ))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-findings"
failed=0
for fuzzer in "${fuzzers[@]}"; do
    name=$(basename "$fuzzer")
    mkdir "$work/$name"
    "$fuzzer" -max_total_time=$share -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$build/fuzz-findings/$name-" "$work/$name" "$here/corpus/$name" >"$work/log" 2>&1 &&
        echo "$name: $(grep -o 'Done [0-9]* runs' "$work/log" | grep -o '[0-9]*') executions in ${share} s without a finding" &&
        continue
    echo "$name: FINDING; input kept in $build/fuzz-findings" && tail -n 60 "$work/log"
    failed=1
done
exit $failed
