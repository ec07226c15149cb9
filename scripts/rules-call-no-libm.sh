#!/bin/bash
# Stops the build when the rules call a function of libm other than sqrt: IEEE 754 rounds sqrt exactly on
# every machine, while sin, pow, exp and their kin differ between libm versions (docs/HACKING.md).
# usage: rules-call-no-libm.sh NM LIBM STAMP LIBRARY...
set -eu
nm=$1 libm=$2 stamp=$3
shift 3
calls=$(comm -12 <("$nm" -u --format=just-symbols "$@" | sed 's/@.*//' | sort -u) \
    <("$nm" -D --defined-only --format=just-symbols "$libm" | sed 's/@.*//' | sort -u) | grep -vx 'sqrtf\?' || true)
[ -z "$calls" ] || { echo "the rules call libm's" $calls "(only sqrt gives the same result on every machine)" >&2; exit 1; }
touch "$stamp"
