#!/usr/bin/env bash
# The REF device draws the same bytes whatever number of threads shares the work and whatever
# pixel functions and instructions it picks: one frame a second of the whole timeline at
# 320x240, recorded with 1, 2 and 8 threads, with 2 threads on the general pixel path alone,
# and with 2 threads on the lane loops of at most AVX2 (eight lanes where the processor has
# AVX-512 too), of the baseline (four lanes on x86-64) and of one lane, compared.
source "$(dirname "$0")/recording_check.sh"

record() {  # name, then environment assignments
  local name=$1
  shift
  env "$@" ./morvelt --capture "$work/$name" --size 320x240 --fps 1 --device ref 2>"$work/$name.log" ||
    { cat "$work/$name.log"; fail "capture with $*"; }
}
record t1 MORVELT_THREADS=1
record t2 MORVELT_THREADS=2
record t8 MORVELT_THREADS=8
record general MORVELT_THREADS=2 MORVELT_REF_PIXELS=general
record avx2 MORVELT_THREADS=2 MORVELT_REF_ISA=avx2
record baseline MORVELT_THREADS=2 MORVELT_REF_ISA=baseline
record scalar MORVELT_THREADS=2 MORVELT_REF_ISA=scalar
frames=$(ls "$work/t1" | grep -c '^frame_.*\.png$')
[ "$frames" -ge 200 ] || fail "only $frames frames recorded"
for run in t2 t8 general avx2 baseline scalar; do
  diff -r "$work/t1" "$work/$run" >/dev/null || fail "$run draws other bytes than 1 thread"
done
echo "$frames frames identical with 1, 2 and 8 threads, on the general pixel path and on the AVX2, baseline and one-lane loops"
