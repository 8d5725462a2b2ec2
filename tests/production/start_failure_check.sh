#!/usr/bin/env bash
# Starts the production to play from a folder without its data, as a user who starts it from
# the wrong place. It must say on stderr which file it looked for and in which folders, keep
# its message box, and end with a non-zero status; SIGTERM and SIGINT must end it while the box
# waits for its button. Run under xvfb-run.
#   start_failure_check.sh MORVELT
set -uo pipefail
morvelt=$(realpath "$1")
work=$(mktemp -d)
program=
trap '[ -n "$program" ] && kill -9 "$program" 2>/dev/null; rm -rf "$work"' EXIT
unset MORVELT_MEDIA_PATH
export SDL_AUDIODRIVER=no-such-driver SDL_VIDEODRIVER=x11
cd "$work"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Boxes on stderr: the reasons, the box's text and the status.
MORVELT_NO_MESSAGE_BOXES=1 timeout 60 "$morvelt" >"$work/log" 2>&1
status=$?
[ "$status" -eq 1 ] || fail "a failed start should exit 1, got $status"
for text in "morvelt: Textures/empty.jpg: looked for in the working folder $work (no media folder is configured)" \
            "Could not load required media." "This sample will now exit."; do
  grep -qF "$text" "$work/log" || fail "no \"$text\" in: $(cat "$work/log")"
done
mkdir -p "$work/shared/Media"
MORVELT_MEDIA_PATH=$work/shared MORVELT_NO_MESSAGE_BOXES=1 timeout 60 "$morvelt" >"$work/log" 2>&1
grep -qF "Textures/empty.jpg: looked for in the working folder $work and in the media folder $work/shared/Media/" \
  "$work/log" || fail "the media folder is not named: $(cat "$work/log")"

# With the box shown: each signal ends the program while the box waits.
for signal in TERM INT; do
  "$morvelt" >"$work/log" 2>&1 &
  program=$!
  for _ in $(seq 100); do
    grep -q "looked for in" "$work/log" && break
    sleep 0.1
  done
  sleep 1  # the box is up now, waiting for its button
  kill -0 "$program" 2>/dev/null || { fail "the program ended before its box was answered: $(cat "$work/log")"; continue; }
  kill -s "$signal" "$program"
  for _ in $(seq 50); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$program" 2>/dev/null; then
    fail "SIG$signal did not end the program while its message box was up"
    kill -9 "$program"
  fi
  wait "$program" 2>/dev/null
  program=
done

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "a start without data says where it looked, exits 1 and yields to signals"
