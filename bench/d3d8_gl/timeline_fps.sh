#!/usr/bin/env bash
# Frames per second of the whole timeline drawn on REF (the software rasterizer) and on HAL
# (OpenGL; llvmpipe without a GPU), and their ratio REF/HAL, at 1024x768 and 1920x1080. The
# two devices run back to back for each size, REPEAT times, so both see the same load.
# The production records to /dev/null (every frame drawn, nothing written), every frame
# 1/FPS of production time, so the figure is drawing alone.
#
#   bench/d3d8_gl/timeline_fps.sh [BUILD_DIR]     (default: build)
#   FPS=5 REPEAT=1 SIZES="1024x768 1920x1080" to change the run;
#   MORVELT_THREADS=N sets REF's thread count (default: the processor count).
set -euo pipefail

build=${1:-build}
fps=${FPS:-5}
repeat=${REPEAT:-1}
sizes=${SIZES:-"1024x768 1920x1080"}

if [ ! -x "$build/morvelt" ]; then
  echo "timeline_fps: $build/morvelt is not built yet" >&2
  exit 1
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
frames=$(awk -v f="$fps" 'BEGIN { n = 219.5 * f; printf "%d", (n == int(n)) ? n : int(n) + 1 }')  # 0 <= n/fps < 219.5

# Prints the frames per second of one whole run, or fails with the end of its log.
run_fps() {
  local device=$1 size=$2 start end
  start=$(date +%s.%N)
  if ! (cd "$build" && ./morvelt --capture /dev/null --fps "$fps" --size "$size" --device "$device") >"$out/log" 2>&1; then
    echo "timeline_fps: the $device run at $size failed:" >&2
    tail -5 "$out/log" >&2
    return 1
  fi
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v n="$frames" 'BEGIN { printf "%.2f", n / (e - s) }'
}

echo "whole timeline, $frames frames drawn per run ($fps per production second), load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %3s %9s %9s %9s\n' size run REF_fps HAL_fps REF/HAL
for size in $sizes; do
  for ((n = 1; n <= repeat; ++n)); do
    ref=$(run_fps ref "$size") || continue
    hal=$(run_fps hal "$size") || continue
    awk -v z="$size" -v n="$n" -v r="$ref" -v h="$hal" 'BEGIN { printf "%-10s %3d %9.2f %9.2f %9.2f\n", z, n, r, h, r / h }'
  done
done
