#!/usr/bin/env bash
# Runs a command on the current X display under a window manager (openbox), as on a desktop:
#   with_window_manager.sh XPROBE COMMAND [ARGS...]
# The window manager is up and managing before the command starts and ends after it; the
# command's exit status is the result.
set -uo pipefail
xprobe=$1
shift
command -v openbox >/dev/null || { echo "with_window_manager: openbox is not installed" >&2; exit 1; }
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null; wait "$wm" 2>/dev/null' EXIT
"$xprobe" wm-ready 20 || { echo "with_window_manager: openbox did not start" >&2; exit 1; }
"$@"
