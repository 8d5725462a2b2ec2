#!/usr/bin/env bash
# What writing adds to recording: the same frames recorded to OUTPUT and to /dev/null (drawn,
# nothing written), taking turns ROUNDS times; prints each pair and the median overhead.
#   bench/capture_overhead.sh [BUILD] [OUTPUT: png|mp4] [ROUNDS] [morvelt options...]
# defaults: build, png, 3, --size 1920x1080 --fps 5 --to 20 --device ref
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
kind=${2:-png}
rounds=${3:-3}
shift $(($# < 3 ? $# : 3))
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(--size 1920x1080 --fps 5 --to 20 --device ref)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"
output="$work/out"
[ "$kind" = mp4 ] && output="$work/out.mp4"

seconds() {  # seconds OUT: wall time of one recording
    local start end
    start=$(date +%s.%N)
    ./morvelt --capture "$1" "${options[@]}" 2>"$work/log" || { cat "$work/log" >&2; exit 1; }
    end=$(date +%s.%N)
    rm -rf "$output"
    echo "$end - $start" | bc
}

overheads=()
for ((i = 1; i <= rounds; ++i)); do
    drawn=$(seconds /dev/null)
    written=$(seconds "$output")
    overhead=$(echo "scale=1; 100 * ($written - $drawn) / $drawn" | bc)
    echo "round $i: drawn only ${drawn} s, written to $kind ${written} s: +${overhead} %"
    overheads+=("$overhead")
done
printf '%s\n' "${overheads[@]}" | sort -n | awk '{ v[NR] = $1 } END { print "median overhead: +" v[int((NR + 1) / 2)] " %" }'
