# Helpers for the play tests that drive morvelt through its real message loop on an X display
# (Xvfb, usually under openbox), with xdotool. Source it after setting morvelt and xprobe.
log=$(mktemp)
program=
trap 'rm -f "$log"; [ -n "$program" ] && kill "$program" 2>/dev/null' EXIT

fail() { echo "FAIL: $*" >&2; cat "$log" >&2; [ -n "$program" ] && kill "$program" 2>/dev/null; exit 1; }

visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

window_of() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

# press KEY WINDOW-NAME: the key goes to the window that has the focus, given by hand.
press() {
  local window
  window=$(window_of "$2")
  [ -n "$window" ] || fail "no window \"$2\" to press $1 in"
  xdotool windowfocus --sync "$window" key "$1"
}

# start_morvelt [OPTIONS...]: plays without a sound device (the music moves in real time).
start_morvelt() {
  SDL_AUDIODRIVER=no-such-driver SDL_VIDEODRIVER=x11 MORVELT_DEBUG=1 "$morvelt" "$@" >"$log" 2>&1 &
  program=$!
}

# The start-up dialog (its caption ends in ", Morvelt") is up and laid out.
dialog=", Morvelt$"
await_dialog() {
  for _ in $(seq 150); do
    visible "$dialog" && break
    kill -0 "$program" 2>/dev/null || fail "morvelt ended before showing its dialog"
    sleep 0.2
  done
  visible "$dialog" || fail "no start-up dialog"
  sleep 1.5  # the dialog lays its controls out in its first frames (slow under the sanitizers)
}

# A small main window keeps the frame rate up on a busy machine (the music starts only in a
# frame between 1.0 and 1.1 s of production time). Made while the start-up dialog holds the clock.
shrink_main_window() {
  xdotool windowsize --sync "$(window_of "^Morvelt$")" 320 240 2>/dev/null || xdotool windowsize "$(window_of "^Morvelt$")" 320 240
  sleep 0.5
}

await_dialog_closed() {
  for _ in $(seq 50); do
    visible "$dialog" || return 0
    sleep 0.2
  done
  fail "the start-up dialog did not close"
}

# await_exit SECONDS: morvelt ends within SECONDS; its status is left in $status.
await_exit() {
  for _ in $(seq $(($1 * 5))); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$program" 2>/dev/null && fail "morvelt did not end within $1 s"
  wait "$program"
  status=$?
  program=
}
