#!/usr/bin/env bash
# scripts/record-parallel against one recording of the same range: every frame and the music
# byte for byte, a video's decoded frames and music (when ffmpeg is installed); a segment killed mid-way fails the run by name, leaves nothing merged, and a
# rerun redoes that segment and nothing else. The Slurm form is valid shell and covers every
# frame exactly once.
source "$(dirname "$0")/recording_check.sh"
record_parallel="$(cd "$(dirname "$0")/../../scripts" && pwd)/record-parallel"
range=(--size 160x120 --fps 4 --to 20)

./morvelt --capture "$work/single" "${range[@]}" 2>"$work/single.log" || { cat "$work/single.log"; fail "single recording"; }

# A morvelt that logs its runs and, while $work/kill exists, is killed after the segment from
# 5 s has written its frames, half of them gone.
cat >"$work/morvelt" <<WRAPPER
#!/usr/bin/env bash
echo "\$*" >>"$work/calls"
"$PWD/morvelt" "\$@" || exit
if [ -e "$work/kill" ] && [[ " \$* " == *" --from 5.000000000 "* ]]; then
    rm -f "\$2"/frame_00000[5-9].png
    kill -KILL \$\$
fi
WRAPPER
chmod +x "$work/morvelt"
export MORVELT="$work/morvelt"

touch "$work/kill"
set +e
"$record_parallel" -j 3 --segments 4 "$work/out" "${range[@]}" 2>"$work/first.log"; status=$?
set -e
[ "$status" -eq 1 ] || { cat "$work/first.log"; fail "a killed segment should fail the run with 1, got $status"; }
grep -q "frames 20 to 39 (5.000000000 to 10.000000000 s) failed on this machine (exit 137)" "$work/first.log" ||
    { cat "$work/first.log"; fail "the killed segment is not named with its host and range"; }
[ ! -e "$work/out" ] || fail "a partial set was merged"
[ "$(wc -l <"$work/calls")" -eq 4 ] || fail "expected 4 segment runs"

rm "$work/kill" "$work/calls"
"$record_parallel" -j 3 --segments 4 "$work/out" "${range[@]}" 2>"$work/second.log" || { cat "$work/second.log"; fail "rerun"; }
[ "$(wc -l <"$work/calls")" -eq 1 ] && grep -q -- "--from 5.000000000 --to 10.000000000" "$work/calls" ||
    fail "the rerun should redo only the killed segment: $(cat "$work/calls")"
diff -r "$work/single" "$work/out" || fail "the merged recording differs from a single one"
[ ! -e "$work/out.parts" ] || fail "the segments are left after the merge"

# At -j 3 with the default segments, from a later start: numbered from 0 as a single run is.
./morvelt --capture "$work/later" --size 160x120 --fps 4 --from 17.5 --to 20 2>/dev/null || fail "single later recording"
"$record_parallel" -j 3 "$work/later_parallel" --size 160x120 --fps 4 --from 17.5 --to 20 2>/dev/null || fail "parallel later recording"
diff -r "$work/later" "$work/later_parallel" || fail "the merged recording from 17.5 s differs"

# A video: encoded once from the merged frames, decoding to the frames and music of one run.
if command -v ffmpeg >/dev/null; then
    ./morvelt --capture "$work/single.mkv" --size 160x120 --fps 4 --to 5 2>/dev/null || fail "single video"
    "$record_parallel" -j 3 "$work/parallel.mkv" --size 160x120 --fps 4 --to 5 2>/dev/null || fail "parallel video"
    for video in single parallel; do ffmpeg -loglevel error -i "$work/$video.mkv" -f framemd5 "$work/$video.md5"; done
    diff "$work/single.md5" "$work/parallel.md5" >/dev/null || fail "the merged video decodes differently"
else
    echo "SKIPPED: the merged video against a single one (ffmpeg is not installed)"
fi

# Slurm: a valid script whose tasks record every frame of the range exactly once.
"$record_parallel" --slurm --segments 7 "$work/slurm" --fps 24 --from 1 --to 3.3 >"$work/slurm.sh"
bash -n "$work/slurm.sh" || fail "the Slurm script is not valid shell"
grep -q "^#SBATCH --array=0-6$" "$work/slurm.sh" || fail "the Slurm array does not have 7 tasks"
python3 - "$work/slurm.sh" <<'PY' || fail "the Slurm tasks do not cover frames 24 to 79 exactly once"
import re, sys
frames = []
for start, end in re.findall(r'--from (\S+) --to (\S+)', open(sys.argv[1]).read()):
    # the recorder's rule: frame n when from <= n / 24 < to
    first = lambda s: -(-int(s.replace('.', '')) * 24 // 10**9)
    frames += range(first(start), first(end))
sys.exit(0 if frames == list(range(24, 80)) else 1)
PY
echo "record-parallel checks passed"
