#!/bin/bash
# Runs every libFuzzer target built in BUILD_DIR (cmake -DPUCKSLIDE_FUZZ=ON with clang) for its share
# of about a minute, starting from the checked-in seeds. Builds nothing. Exits non-zero on a finding,
# whose input is kept in BUILD_DIR/fuzz-findings/.
#   usage: tests/fuzz/run_fuzzers.sh BUILD_DIR     (PUCKSLIDE_FUZZ_SECONDS changes the minute)
set -u

build=${1:?usage: run_fuzzers.sh BUILD_DIR}
seeds=$(cd "$(dirname "$0")" && pwd)/corpus
total=${PUCKSLIDE_FUZZ_SECONDS:-60}

mapfile -t fuzzers < <(find "$build" -path '*/CMakeFiles' -prune -o -type f -name 'fuzz_*' -perm -u+x -print | sort)
if [ ${#fuzzers[@]} -eq 0 ]; then
    echo "run_fuzzers: no fuzz_* executables in $build (configure with -DPUCKSLIDE_FUZZ=ON)" >&2
    exit 1
fi
share=$(( total / ${#fuzzers[@]} ))
[ "$share" -ge 1 ] || share=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings="$build/fuzz-findings"
passed=0
failed=0
for fuzzer in "${fuzzers[@]}"; do
    name=$(basename "$fuzzer")
    mkdir -p "$work/$name" "$findings"
    log="$work/$name.log"
    # New inputs go to the scratch folder first named, so the checked-in seeds stay as they are.
    seed_dir="$seeds/$name"
    [ -d "$seed_dir" ] || seed_dir=""
    "$fuzzer" -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$findings/$name-" "$work/$name" $seed_dir >"$log" 2>&1
    status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    if [ $status -eq 0 ]; then
        echo "$name: ${runs:-?} executions in ${share} s without a finding"
        passed=$((passed + 1))
    else
        echo "$name: FINDING (exit $status) after ${runs:-?} executions; input kept in $findings"
        tail -n 60 "$log"
        failed=$((failed + 1))
    fi
done
echo "fuzzers: $passed passed, $failed failed"
[ $failed -eq 0 ]
