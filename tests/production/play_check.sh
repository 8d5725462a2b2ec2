#!/usr/bin/env bash
# Plays the production as a user would, on a display without a sound device: answers the
# start-up dialog with Enter, lets it play, and ends it with Escape. It must keep running
# silently, say that it does, show its picture on the screen (the main window's pixels, read
# from the display, must not stay black), and exit with status 0. Run under xvfb-run, with or
# without a window manager. With "fullscreen", Fullscreen mode is chosen in the dialog (by
# clicks where its controls stand) and the main window must cover the whole screen.
#   play_check.sh MORVELT XPROBE [fullscreen]
set -uo pipefail
morvelt=$(realpath "$1")
xprobe=$(realpath "$2")
mode=${3:-windowed}
cd "$(dirname "$morvelt")"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

program=
fail() { echo "FAIL: $*" >&2; cat "$log" >&2; [ -n "$program" ] && kill "$program" 2>/dev/null; exit 1; }

# Keys go to the window that has the focus; without a window manager it is given by hand.
press() {  # press KEY WINDOW-NAME
  local window
  window=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -1)
  [ -n "$window" ] || fail "no window \"$2\" to press $1 in"
  xdotool windowfocus --sync "$window" key "$1"
}

visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

SDL_AUDIODRIVER=no-such-driver SDL_VIDEODRIVER=x11 MORVELT_DEBUG=1 "$morvelt" >"$log" 2>&1 &
program=$!

# The start-up dialog (its caption ends in ", Morvelt") opens over the main window.
dialog=", Morvelt$"
for _ in $(seq 150); do
  visible "$dialog" && break
  kill -0 "$program" 2>/dev/null || fail "morvelt ended before showing its dialog"
  sleep 0.2
done
sleep 1.5  # the dialog lays its controls out in its first frames (slow under the sanitizers)
if [ "$mode" = fullscreen ]; then
  # The radio button "Fullscreen mode" and the button "Run", from the dialog's client origin.
  window=$(xdotool search --onlyvisible --name "$dialog" | head -1)
  read -r _ x y < <("$xprobe" look "$(xdotool getwindowname "$window")" | sed 's/^[0-9]*x[0-9]*+\([0-9-]*\)+\([0-9-]*\).*/at \1 \2/')
  xdotool mousemove $((x + 25)) $((y + 218)) click 1
  sleep 0.5
  xdotool mousemove $((x + 358)) $((y + 184)) click 1
else
  press Return "$dialog"
fi
for _ in $(seq 50); do
  visible "$dialog" || break
  sleep 0.2
done
visible "$dialog" && fail "Enter did not close the start-up dialog"

# The opening shows its title within a few seconds: the window's mean brightness (0..255)
# must rise clearly above black's.
brightest=0
for _ in $(seq 40); do
  kill -0 "$program" 2>/dev/null || fail "morvelt stopped while playing"
  mean=$("$xprobe" look Morvelt | awk '{print $2}')
  brightest=$(awk -v a="$brightest" -v b="${mean:-0}" 'BEGIN{print (b>a)?b:a}')
  awk -v m="$brightest" 'BEGIN{exit !(m>10)}' && break
  sleep 0.25
done
awk -v m="$brightest" 'BEGIN{exit !(m>10)}' || fail "the main window stayed black (mean brightness $brightest of 255)"
echo "the main window shows the picture (mean brightness $brightest of 255)"
if [ "$mode" = fullscreen ]; then
  screen=$("$xprobe" screen)
  for _ in $(seq 25); do  # the window manager may take a moment to make the switch
    geometry=$("$xprobe" look Morvelt | awk '{print $1}')
    [ "$geometry" = "$screen+0+0" ] && break
    sleep 0.2
  done
  [ "$geometry" = "$screen+0+0" ] || fail "full-screen window at $geometry, not over the screen $screen"
  echo "the full-screen window covers the screen ($geometry)"
fi
sleep 2
kill -0 "$program" 2>/dev/null || fail "morvelt stopped while playing"
grep -q "the music plays silently in real time" "$log" || fail "no word of playing silently"
# Told once, with the reason, however often the device was made (full-screen makes it again).
told=$(grep -c "^morvelt: no sound device: playing silently (SDL_AUDIODRIVER=no-such-driver: ." "$log")
[ "$told" -eq 1 ] || fail "the no-sound-device line was told $told times"

press Escape "^Morvelt$"
for _ in $(seq 75); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$program" 2>/dev/null && fail "Escape did not end morvelt"
wait "$program"
status=$?
[ "$status" -eq 0 ] || fail "morvelt exited with $status"
echo "played silently and ended on Escape"
