#!/usr/bin/env bash
# The REF device draws the same bytes whatever number of threads shares the work: one frame
# a second of the whole timeline at 320x240, recorded with 1, 2 and 8 threads, compared.
source "$(dirname "$0")/recording_check.sh"

for threads in 1 2 8; do
  MORVELT_THREADS=$threads ./morvelt --capture "$work/t$threads" --size 320x240 --fps 1 --device ref \
    2>"$work/t$threads.log" || { cat "$work/t$threads.log"; fail "capture with $threads threads"; }
done
frames=$(ls "$work/t1" | grep -c '^frame_.*\.png$')
[ "$frames" -ge 200 ] || fail "only $frames frames recorded"
for threads in 2 8; do
  diff -r "$work/t1" "$work/t$threads" >/dev/null || fail "$threads threads draw other bytes than 1"
done
echo "$frames frames identical with 1, 2 and 8 threads"
