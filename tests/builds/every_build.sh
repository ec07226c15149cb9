#!/bin/bash
# The same game on every build: builds the rules and puckslide3d-verify again, with GCC for a processor
# with fused multiply-add and with clang (and, given "arm64", for arm64 run under qemu), and every committed
# record must be proven by each exactly as by VERIFY, this build's verifier: every frame's checksum is the
# one the game that made the record wrote. Each build's rules must call nothing of libm but sqrt.
# usage: every_build.sh WORK_DIR VERIFY [arm64]; exit 77 (skipped) on a processor without FMA.
set -eu
work=${1:?usage: every_build.sh WORK_DIR VERIFY [arm64]}
verify=${2:?usage: every_build.sh WORK_DIR VERIFY [arm64]}
src=$(cd "$(dirname "$0")/../.." && pwd)
grep -qw fma /proc/cpuinfo || { echo "this processor has no FMA: the x86-64-v3 builds cannot run here"; exit 77; }
mkdir -p "$work"
records=("$src"/tests/records/*.rec)
for record in "${records[@]}"; do "$verify" "$record"; done >"$work/expected" || { echo "not proven by $verify:"; cat "$work/expected"; exit 1; }

# name, how to run its programs, cmake arguments
build() {
    local name=$1 run=$2
    shift 2
    local dir=$work/$name start=$SECONDS
    cmake -S "$src" -B "$dir" -DPUCKSLIDE_RULES_ONLY=ON -DCMAKE_BUILD_TYPE=Release "$@" >"$dir.log" 2>&1 &&
        nice -n 10 cmake --build "$dir" -j2 >>"$dir.log" 2>&1 || { echo "$name: does not build"; tail -20 "$dir.log"; return 1; }
    local nm=${NM:-nm} libm
    libm=$(${CXX_FOR_LIBM:-g++} -print-file-name=libm.so.6)
    # What the rules call that libm defines, sqrt aside: the sum of floats that IEEE 754 rounds alike everywhere.
    local calls
    calls=$(comm -12 <("$nm" -u --format=just-symbols "$dir"/libpuckslide_{game,record,verify}.a | sed 's/@.*//' | sort -u) \
        <("$nm" -D --defined-only --format=just-symbols "$libm" | sed 's/@.*//' | sort -u) | grep -vx 'sqrtf\?' || true)
    [ -z "$calls" ] || { echo "$name: the rules call libm's $calls"; return 1; }
    for record in "${records[@]}"; do $run "$dir/puckslide3d-verify" "$record"; done >"$dir.verdicts" || true
    if ! cmp -s "$work/expected" "$dir.verdicts"; then
        echo "$name: the records do not replay as on this build:"
        diff "$work/expected" "$dir.verdicts"
        return 1
    fi
    echo "$name: ${#records[@]} records replayed alike (built and replayed in $((SECONDS - start)) s)"
}

failed=0
build gcc-x86-64-v3 "" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ "-DCMAKE_CXX_FLAGS=-march=x86-64-v3 -O3" || failed=1
build clang-x86-64-v3 "" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_FLAGS=-march=x86-64-v3" || failed=1
if [ "${3:-}" = arm64 ]; then
    NM=aarch64-linux-gnu-nm CXX_FOR_LIBM=aarch64-linux-gnu-g++ build gcc-arm64 "qemu-aarch64 -L /usr/aarch64-linux-gnu" \
        -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
        -DCMAKE_C_COMPILER=aarch64-linux-gnu-gcc -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ || failed=1
fi
exit $failed
