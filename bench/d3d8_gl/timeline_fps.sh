#!/usr/bin/env bash
# Frames per second of the whole timeline, HAL (OpenGL; llvmpipe without a GPU) against REF,
# at 1024x768 and 1920x1080, measured one after the other in the same run on this machine.
# The production runs in capture mode: every frame is 1/FPS of production time. Frames before
# FROM are drawn but not recorded; the recorded ones are read back and written as PNG files.
# RENDERED=1 counts every frame drawn (use FROM close to TO to time drawing alone, without
# the PNG writing); otherwise the recorded frames are counted, PNG writing included.
#
#   bench/d3d8_gl/timeline_fps.sh [BUILD_DIR]     (default: build)
#   FPS=5 FROM=0 TO=219.5 RENDERED=0 SIZES="1024x768 1920x1080" DEVICES="hal ref" to change the run.
set -euo pipefail

build=${1:-build}
fps=${FPS:-5}
from=${FROM:-0}
to=${TO:-219.5}
sizes=${SIZES:-"1024x768 1920x1080"}
devices=${DEVICES:-"hal ref"}

if [ ! -x "$build/morvelt" ]; then
  echo "timeline_fps: $build/morvelt is not built yet" >&2
  exit 1
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

printf '%-4s %-10s %7s %9s %9s\n' device size frames seconds frames/s
for size in $sizes; do
  for device in $devices; do
    dir="$out/$device-$size"
    start=$(date +%s.%N)
    if ! (cd "$build" && ./morvelt --capture "$dir" --fps "$fps" --size "$size" --from "$from" --to "$to" \
          --device "$device") >"$out/log" 2>&1; then
      echo "timeline_fps: the $device run at $size failed:" >&2
      tail -5 "$out/log" >&2
      continue
    fi
    end=$(date +%s.%N)
    if [ "${RENDERED:-0}" = 1 ]; then
      frames=$(awk -v t="$to" -v f="$fps" 'BEGIN { printf "%d", t * f }')
    else
      frames=$(find "$dir" -name '*.png' | wc -l)
    fi
    awk -v s="$start" -v e="$end" -v n="$frames" -v d="$device" -v z="$size" \
      'BEGIN { t = e - s; printf "%-4s %-10s %7d %9.1f %9.2f\n", d, z, n, t, (t > 0 ? n / t : 0) }'
    rm -rf "$dir"
  done
done
