#!/bin/bash
# The same game on every build: VERIFY (this build's verifier), and the rules and puckslide3d-verify built again
# with GCC for a processor with FMA, with clang and (given "arm64") for arm64 under qemu, must each give every
# committed record its committed verdict (NAME.json). Each build checks that the rules call nothing of libm but sqrt.
# usage: every_build.sh WORK_DIR VERIFY [arm64]
set -eu
work=$1 src=$(cd "$(dirname "$0")/../.." && pwd) records=("$(dirname "$0")"/../records/*.rec)
grep -qw fma /proc/cpuinfo || { echo "no FMA on this processor: the x86-64-v3 builds cannot run"; exit 77; }
mkdir -p "$work"
cat "${records[@]/%.rec/.json}" >"$work/expected"
replays() {  # NAME VERIFY [RUNNER]
    for r in "${records[@]}"; do ${3:-} "$2" "$r"; done >"$work/$1.verdicts" || true
    diff "$work/expected" "$work/$1.verdicts" >"$work/$1.diff" || { echo "$1: the records replay otherwise:"; cat "$work/$1.diff"; return 1; }
}

build() {  # NAME RUNNER CMAKE_ARGS...
    local name=$1 run=$2 dir=$work/$1 start=$SECONDS
    shift 2
    { cmake -S "$src" -B "$dir" -DPUCKSLIDE_RULES_ONLY=ON -DCMAKE_BUILD_TYPE=Release "$@" &&
        nice -n 10 cmake --build "$dir" -j2; } >"$dir.log" 2>&1 || { echo "$name: does not build"; tail "$dir.log"; return 1; }
    replays "$name" "$dir/puckslide3d-verify" "$run" || return 1
    echo "$name: ${#records[@]} records replayed alike, built and replayed in $((SECONDS - start)) s"
}

failed=0
replays this-build "$2" || failed=1
build gcc-x86-64-v3 "" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ "-DCMAKE_CXX_FLAGS=-march=x86-64-v3 -O3" || failed=1
build clang-x86-64-v3 "" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-march=x86-64-v3 || failed=1
[ "${3:-}" != arm64 ] || build gcc-arm64 "qemu-aarch64 -L /usr/aarch64-linux-gnu" \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 -DCMAKE_C_COMPILER=aarch64-linux-gnu-gcc \
    -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ || failed=1
exit $failed
