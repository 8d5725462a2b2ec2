#!/usr/bin/env bash
# Watching through the real message loop (under openbox): a start at 150 s shows frame 9000 of a
# 60 fps recording as its first picture; Space holds picture and music; Alt+Enter goes full
# screen and back; --exit-at-end ends with status 0 once the music has ended.
#   watch_check.sh MORVELT XPROBE
set -uo pipefail
morvelt=$(realpath "$1")
xprobe=$(realpath "$2")
cd "$(dirname "$morvelt")"
source "$(dirname "$(realpath "$0")")/play_support.sh"
frames=$(mktemp -d)
trap 'rm -rf "$frames" "$log"; [ -n "$program" ] && kill "$program" 2>/dev/null' EXIT

# The first picture after reaching 150 s, shown behind the start-up dialog (moved aside), drawn
# by the device type recordings use (without the box that says it is the only one). The window's
# picture fills its client area, so the recording is stretched to it too (no bars).
MORVELT_DISABLE_GL=1 MORVELT_NO_MESSAGE_BOXES=1 start_morvelt --from 150
await_dialog
xdotool windowmove "$(window_of "$dialog")" 1100 100
xdotool windowmove "$(window_of "^Morvelt$")" 10 10  # exposed anew: the frame presents its picture again
sleep 1
size=$("$xprobe" look Morvelt | sed 's/+.*//')
SDL_AUDIODRIVER=none "$morvelt" --capture "$frames" --overwrite --size "$size" --aspect stretch --from 150 --to 150.01 >/dev/null 2>&1 ||
  fail "the recording of frame 9000 failed"
[ -n "${WATCH_KEEP:-}" ] && "$xprobe" dump Morvelt "$WATCH_KEEP/shown.png" && cp "$frames/frame_000000.png" "$WATCH_KEEP/recorded.png"
"$xprobe" same Morvelt "$frames/frame_000000.png" || fail "the picture at 150 s is not frame 9000 of a recording"
grep -o 'seek: .*' "$log"

# Space holds the picture and the music.
press Return "$dialog"
await_dialog_closed
sleep 1
press space "^Morvelt$"
sleep 0.5
held=$("$xprobe" look Morvelt)
sleep 2
[ "$("$xprobe" look Morvelt)" = "$held" ] || fail "the picture moved while paused"
press space "^Morvelt$"
sleep 1

# Alt+Enter: full screen, then back to the window it was.
screen=$("$xprobe" screen)
windowed=$("$xprobe" look Morvelt | awk '{print $1}')
press alt+Return "^Morvelt$"
for _ in $(seq 25); do
  [ "$("$xprobe" look Morvelt | awk '{print $1}')" = "$screen+0+0" ] && break
  sleep 0.2
done
[ "$("$xprobe" look Morvelt | awk '{print $1}')" = "$screen+0+0" ] || fail "Alt+Enter did not go full screen"
press alt+Return "^Morvelt$"
for _ in $(seq 25); do
  [ "$("$xprobe" look Morvelt | awk '{print $1}')" = "$windowed" ] && break
  sleep 0.2
done
back=$("$xprobe" look Morvelt | awk '{print $1}')
[ "$back" = "$windowed" ] || fail "Alt+Enter did not come back to the window at $windowed (now $back)"
echo "full screen and back to $windowed"

press Escape "^Morvelt$"
await_exit 15
[ "$status" -eq 0 ] || fail "morvelt exited with $status"
line=$(grep -o 'music: .* into the stream at production time.*' "$log" | tail -1)
echo "$line"
read -r stream clock start < <(echo "$line" | sed 's/^music: \([0-9.]*\) s into the stream at production time \([0-9.]*\) s (started at \([0-9.-]*\) s)/\1 \2 \3/')
awk -v s="$stream" -v c="$clock" -v b="$start" 'BEGIN{d = s + b - c; if (d < 0) d = -d; exit !(d < 0.1)}' ||
  fail "music at $stream s (started at $start s) is out of step with the production clock at $clock s after a pause"

# The end: status 0 once the music has ended (at about 223 s).
start_morvelt --no-dialog --from 218.5 --exit-at-end
await_exit 40
[ "$status" -eq 0 ] || fail "--exit-at-end ended with $status"
echo "--exit-at-end ended with status 0"
