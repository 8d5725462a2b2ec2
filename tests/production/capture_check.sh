#!/usr/bin/env bash
# Records the first two seconds twice at 320x240 and checks what a viewer relies on: the same
# frames and music every time, the music's length matching the frames, a black start, and
# bad options refused before anything is written.
source "$(dirname "$0")/recording_check.sh"

./morvelt --capture "$work/a" --size 320x240 --fps 10 --to 2 2>"$work/a.log" || { cat "$work/a.log"; fail "first capture"; }
./morvelt --capture "$work/b" --size 320x240 --fps 10 --to 2 2>"$work/b.log" || { cat "$work/b.log"; fail "second capture"; }

frames=$(ls "$work/a" | grep -c '^frame_.*\.png$')
[ "$frames" -eq 20 ] || fail "expected 20 frames, got $frames"
diff -r "$work/a" "$work/b" >/dev/null || fail "two captures of the same range differ"

# 2 s of 16-bit stereo at 44100 Hz: 352800 bytes after the 44-byte header.
bytes=$(stat -c %s "$work/a/audio.wav")
[ "$bytes" -eq $((44 + 2 * 44100 * 4)) ] || fail "audio.wav has $bytes bytes"

# Before one second the screen is black: frame 5 (0.5 s) has only zero pixels.
python3 - "$work/a/frame_000005.png" <<'PY' || fail "frame at 0.5 s is not black"
import sys, zlib, struct
data = open(sys.argv[1], 'rb').read()
pos, idat = 8, b''
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    if kind == b'IDAT':
        idat += data[pos + 8:pos + 8 + length]
    pos += 12 + length
raw = zlib.decompress(idat)
# every scanline: one filter byte then pixels; all-black rows stay zero under any filter
sys.exit(0 if not any(raw[i] for i in range(len(raw)) if i % (1 + 320 * 3) != 0) else 1)
PY

# --from runs the earlier frames but writes only the later ones.
./morvelt --capture "$work/c" --size 320x240 --fps 10 --from 1.5 --to 2 2>/dev/null || fail "capture with --from"
[ "$(ls "$work/c" | grep -c '^frame_')" -eq 5 ] || fail "--from 1.5 --to 2 should write 5 frames"
cmp -s "$work/c/frame_000004.png" "$work/a/frame_000019.png" || fail "--from changes the frames"

# Bad options: usage, exit 2, nothing written; --help: the usage on stdout, exit 0.
for bad in "--size 320" "--size 64x48" "--to inf" "--to 1e30" "--from 0.01 --to 0.02 --fps 25" "--fps 0x1e" \
           "--size -4294967136x240" "--fps=+30" "--loop" "--xyz=1"; do
    set +e
    # shellcheck disable=SC2086
    ./morvelt --capture "$work/d" $bad 2>"$work/bad.log"; status=$?
    set -e
    [ "$status" -eq 2 ] || fail "$bad should exit 2, got $status"
    grep -q "^usage:" "$work/bad.log" || fail "$bad does not print the usage"
    [ ! -e "$work/d" ] || fail "$bad wrote something"
done
grep -q "^morvelt: unknown option --xyz$" "$work/bad.log" || fail "--xyz=1 is not named as an unknown option"
# Values after '=' read as after a space, --capture's too.
./morvelt --capture="$work/e" --size=320x240 --fps=10 --from=1.5 --to=2 2>/dev/null || fail "capture with --option=value"
cmp -s "$work/e/frame_000004.png" "$work/a/frame_000019.png" || fail "--option=value changes the frames"
for help in --help -h; do
    ./morvelt "$help" >"$work/help.log" 2>&1 || fail "$help should exit 0"
    grep -q -- "--capture OUT" "$work/help.log" || fail "$help does not print the usage"
done
# Playing needs a display; without one the message points to recording instead.
set +e
env -u DISPLAY -u WAYLAND_DISPLAY ./morvelt 2>"$work/nodisplay.log"; status=$?
set -e
[ "$status" -eq 1 ] || fail "without a display morvelt should exit 1, got $status"
grep -q -- "--capture" "$work/nodisplay.log" || fail "the no-display message does not name --capture"
echo "capture checks passed"
