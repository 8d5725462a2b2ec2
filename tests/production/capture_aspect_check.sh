#!/usr/bin/env bash
# Recordings keep the show's 4:3 picture: a wide recording holds, between exactly black bars,
# the very pixels of a recording at the picture's own size, in every scene; an odd width gives
# its odd pixel to a bar; --aspect stretch draws over the whole frame.
source "$(dirname "$0")/recording_check.sh"
crop_check="$(dirname "$0")/png_crop_check.py"

record() {  # record FOLDER [options...]
    local out=$1
    shift
    ./morvelt --capture "$work/$out" "$@" 2>"$work/$out.log" || { cat "$work/$out.log"; fail "recording $out"; }
}
# One frame a second through the whole show (some events skipped, the same in both), compared
# in every part of it.
record wide --size 320x180 --fps 1 --to 219
record picture --size 240x180 --fps 1 --to 219
for frame in 20 31 45 70 100 125 160 210; do
    name=$(printf 'frame_%06d.png' "$frame")
    python3 "$crop_check" "$work/wide/$name" "$work/picture/$name" 40 0 || fail "320x180 against 240x180 at $frame s"
done
# 241 pixels wide in 322: 40 on the left, 41 on the right.
record odd --size 322x181 --fps 1 --from 100 --to 101
record odd_picture --size 241x181 --fps 1 --from 100 --to 101
python3 "$crop_check" "$work/odd/frame_000000.png" "$work/odd_picture/frame_000000.png" 40 0 || fail "322x181 against 241x181"

# Tall sizes: bars above and below.
record tall --size 240x300 --fps 1 --from 100 --to 101
python3 "$crop_check" "$work/tall/frame_000000.png" "$work/picture/frame_000100.png" 0 60 || fail "240x300 letterbox"

# Stretched: the whole frame is the picture, as a 16:9 aspect in a 16:9 frame.
record stretch --size 320x180 --fps 1 --from 100 --to 101 --aspect stretch
record wide169 --size 320x180 --fps 1 --from 100 --to 101 --aspect 16:9
diff -r "$work/stretch" "$work/wide169" >/dev/null || fail "--aspect stretch differs from a 16:9 picture in 16:9"
! cmp -s "$work/stretch/frame_000000.png" "$work/wide/frame_000100.png" || fail "--aspect stretch is pillarboxed"

echo "capture aspect checks passed"
