#!/usr/bin/env bash
# The start-up dialog by keyboard alone: Tab and Shift+Tab move the focus (shown), an arrow onto a
# radio button checks it; Escape (Exit) then ends the program with status 0 before anything plays.
#   dialog_keys_check.sh MORVELT XPROBE
set -uo pipefail
morvelt=$(realpath "$1")
xprobe=$(realpath "$2")
cd "$(dirname "$morvelt")"
source "$(dirname "$(realpath "$0")")/play_support.sh"

shot=$(mktemp --suffix=.png)
trap 'rm -f "$log" "$shot"; [ -n "$program" ] && kill "$program" 2>/dev/null' EXIT
looks() { "$xprobe" dump "$(xdotool getwindowname "$(window_of "$dialog")")" "$shot" && md5sum < "$shot"; }
changed_by() {  # changed_by KEY WHAT: pressing KEY must change the dialog's picture
  local before
  before=$(looks)
  press "$1" "$dialog"
  sleep 0.5
  [ "$(looks)" != "$before" ] || fail "$1 changed nothing in the dialog ($2)"
}

start_morvelt
await_dialog
changed_by Tab "the focus shown on the first control"
changed_by Down "the arrow onto Fullscreen mode checks it"
changed_by shift+Tab "the focus back on Windowed mode"
echo "the dialog answers Tab, Shift+Tab and arrows"
# Escape is Exit: at start-up it ends the program, with status 0, before anything plays.
press Escape "$dialog"
await_exit 15
[ "$status" -eq 0 ] || fail "Exit in the start-up dialog ended morvelt with $status"
grep -q 'music: .*(started at -1.000 s)' "$log" || fail "the show played after Exit"
echo "Escape in the start-up dialog ended morvelt with status 0 before anything played"
