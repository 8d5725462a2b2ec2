#!/usr/bin/env bash
# What writing adds to recording: the same frames recorded to OUTPUT and to /dev/null (drawn,
# nothing written), taking turns ROUNDS times; prints each pair and the median overhead, in
# wall time and in processor time (user + system of morvelt and the ffmpeg it runs, measured
# by GNU time: with the drawing on every core the two agree, and processor time is the figure
# that stays put when other programs load the machine).
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

seconds() {  # seconds OUT: "WALL CPU" of one recording
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$work/time" ./morvelt --capture "$1" "${options[@]}" 2>"$work/log" ||
        { cat "$work/log" >&2; exit 1; }
    end=$(date +%s.%N)
    rm -rf "$output"
    echo "$(echo "$end - $start" | bc) $(awk '{ print $1 + $2 }' "$work/time")"
}

percent() { echo "scale=1; 100 * ($2 - $1) / $1" | bc; }
walls=() cpus=()
for ((i = 1; i <= rounds; ++i)); do
    read -r drawn drawn_cpu < <(seconds /dev/null)
    read -r written written_cpu < <(seconds "$output")
    wall=$(percent "$drawn" "$written")
    cpu=$(percent "$drawn_cpu" "$written_cpu")
    echo "round $i: drawn only ${drawn} s (${drawn_cpu} s cpu), written to $kind ${written} s (${written_cpu} s cpu): +${wall} % wall, +${cpu} % cpu"
    walls+=("$wall")
    cpus+=("$cpu")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "median overhead: +$(median "${walls[@]}") % wall, +$(median "${cpus[@]}") % cpu"
