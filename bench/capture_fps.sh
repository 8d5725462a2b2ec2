#!/usr/bin/env bash
# Frames per second of recording the whole timeline, per size and device: the throughput of
# the production's drawing, since a recording draws every frame whatever the machine's speed.
#   bench/capture_fps.sh [BUILD] [FPS] [DEVICE]    (defaults: build, 60, ref)
# A lower FPS measures the same scenes with fewer frames (the per-frame steps then differ).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
fps=${2:-60}
device=${3:-ref}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"
for size in 1024x768 1920x1080; do
  start=$(date +%s.%N)
  ./morvelt --capture "$work/frames" --size "$size" --fps "$fps" --device "$device" 2>"$work/log"
  end=$(date +%s.%N)
  frames=$(ls "$work/frames" | grep -c '^frame_')
  python3 -c "import sys; f,s=int(sys.argv[1]),float(sys.argv[3])-float(sys.argv[2]); print(f'{sys.argv[4]:>10} {sys.argv[5]}: {f} frames in {s:.1f} s = {f/s:.2f} fps')" \
    "$frames" "$start" "$end" "$size" "$device"
  rm -rf "$work/frames"
done
