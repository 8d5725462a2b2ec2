#!/usr/bin/env bash
# The music follows the production clock through a pause: the right-click menu holds the frame
# (and its clock) for 10 s; afterwards the music's position and the production clock must still
# agree within 0.1 s (measured when the program ends, both read at that moment).
#   music_sync_check.sh MORVELT XPROBE
set -uo pipefail
morvelt=$(realpath "$1")
cd "$(dirname "$morvelt")"
source "$(dirname "$(realpath "$0")")/play_support.sh"

start_morvelt
await_dialog
shrink_main_window
press Return "$dialog"
await_dialog_closed
sleep 3  # the music starts at 1.0 to 1.1 s of production time

main=$(window_of "^Morvelt$")
xdotool mousemove --window "$main" 100 100 click 3
sleep 10
xdotool mousemove --window "$main" 20 200 click 1  # a click beside the menu closes it
sleep 2
press Escape "^Morvelt$"
await_exit 15
[ "$status" -eq 0 ] || fail "morvelt exited with $status"

line=$(grep -o 'music: .* into the stream at production time.*' "$log" | tail -1)
[ -n "$line" ] || fail "no word of the music's position"
echo "$line"
read -r stream clock start < <(echo "$line" | sed 's/^music: \([0-9.]*\) s into the stream at production time \([0-9.]*\) s (started at \([0-9.-]*\) s)/\1 \2 \3/')
awk -v c="$clock" 'BEGIN{exit !(c > 4 && c < 12)}' || fail "production time $clock s: the menu did not hold the clock"
awk -v s="$stream" -v c="$clock" -v b="$start" 'BEGIN{d = s + b - c; if (d < 0) d = -d; exit !(d < 0.1)}' ||
  fail "music at $stream s (started at $start s) is out of step with the production clock at $clock s"
echo "music and picture in step after a 10 s pause"
