#!/usr/bin/env bash
# Memory over a whole-timeline recording at 320x240: the peak resident set (from
# /usr/bin/time -v) and the resident set sampled twice a second, compared between the first
# and the second half of the run. Everything is loaded before the first frame, so a second
# half above the first means memory grows with the frames drawn.
#   bench/capture_memory.sh [BUILD] [FPS] [DEVICE]    (defaults: build, 60, ref)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
fps=${2:-60}
device=${3:-ref}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"

/usr/bin/time -v -o "$work/time" ./morvelt --capture "$work/frames" --size 320x240 --fps "$fps" \
  --device "$device" 2>"$work/log" &
timer=$!
sleep 0.2
program=$(pgrep -P "$timer" morvelt)
while kill -0 "$program" 2>/dev/null; do
  awk '/^VmRSS/ {print $2}' "/proc/$program/status" 2>/dev/null >>"$work/rss" || true
  sleep 0.5
done
wait "$timer"

frames=$(ls "$work/frames" | grep -c '^frame_')
peak=$(awk -F': ' '/Maximum resident/ {print $2}' "$work/time")
seconds=$(awk -F': ' '/Elapsed/ {print $2}' "$work/time")
python3 - "$work/rss" "$peak" "$frames" "$seconds" "$fps" "$device" <<'PY'
import sys
samples = [int(line) for line in open(sys.argv[1]) if line.strip()]
half = len(samples) // 2
first, second = samples[:half], samples[half:]
peak, frames, seconds, fps, device = sys.argv[2:7]
print(f"{device}, 320x240, {fps} fps: {frames} frames in {seconds}")
print(f"peak resident: {int(peak) / 1024:.1f} MB")
print(f"resident, first half:  max {max(first) / 1024:.1f} MB, last {first[-1] / 1024:.1f} MB ({len(first)} samples)")
print(f"resident, second half: max {max(second) / 1024:.1f} MB, last {second[-1] / 1024:.1f} MB ({len(second)} samples)")
print(f"growth from the first half's peak to the second's: {(max(second) - max(first)) / 1024:+.1f} MB")
PY
