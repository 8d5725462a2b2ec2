#!/usr/bin/env bash
# Frames per second of playing the production (not recording) in its window, on a virtual
# display (Xvfb, 1280x1024, no window manager), on HAL (OpenGL; Mesa's llvmpipe there) and
# on REF, with waiting for the display's refresh turned off (MORVELT_VSYNC=0). Each device
# plays the first SECONDS seconds; the figure is the mean of the per-second rates the frame
# prints (MORVELT_PRINT_FPS), leaving out the first two.
#
#   bench/play_fps.sh [BUILD_DIR]     (default: build)      SECONDS_TO_PLAY=30 to change the run
set -euo pipefail

build=$(realpath "${1:-build}")
seconds=${SECONDS_TO_PLAY:-30}
[ -x "$build/morvelt" ] || { echo "play_fps: $build/morvelt is not built yet" >&2; exit 1; }

if [ "${PLAY_FPS_INNER:-}" = 1 ]; then  # on the virtual display: play once, print the mean
  log=$(mktemp)
  cd "$build"
  MORVELT_NO_MESSAGE_BOXES=1 SDL_AUDIODRIVER=no-such-driver SDL_VIDEODRIVER=x11 MORVELT_VSYNC=0 MORVELT_PRINT_FPS=1 ./morvelt >"$log" 2>&1 &
  program=$!
  for _ in $(seq 150); do
    dialog=$(xdotool search --onlyvisible --name ", Morvelt$" 2>/dev/null | head -1) && [ -n "$dialog" ] && break
    sleep 0.2
  done
  sleep 0.5
  xdotool windowfocus --sync "$dialog" key Return
  sleep "$seconds"
  kill "$program"
  wait "$program" 2>/dev/null || true
  awk '/^[0-9.]+ fps$/ { if (++n > 2) { sum += $1; m++ } } END { if (m) printf "%.1f", sum / m; else print "none" }' "$log"
  rm -f "$log"
  exit 0
fi

export PLAY_FPS_INNER=1 SECONDS_TO_PLAY=$seconds
play() { xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"; }
hal=$(play)
ref=$(MORVELT_DISABLE_GL=1 play)
echo "playing the first $seconds s in the window, refresh waits off: HAL $hal fps, REF $ref fps"
