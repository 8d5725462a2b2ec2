#!/usr/bin/env bash
# The recorder under faults, through the real program at 160x120: closed standard streams,
# reused and locked outputs, planted links, names and sizes refused up front, helper errors
# and signals. Videos go through a stand-in ffmpeg on PATH (it logs its arguments, takes the
# frames and fails its trailer on request), so every check runs without ffmpeg; a full disk
# needs a tmpfs mount and is skipped by name where mounting is not permitted.
source "$(dirname "$0")/recording_check.sh"
set -m  # background runs keep SIGINT (a script's background jobs would ignore it)

small=(--size 160x120 --fps 10)
expect_status() {  # STATUS DESCRIPTION COMMAND...: runs it, stderr to $work/log
    local want=$1 what=$2 status=0
    shift 2
    "$@" 2>"$work/log" || status=$?
    [ "$status" -eq "$want" ] || { cat "$work/log"; fail "$what: exit $status, expected $want"; }
}

# A stand-in ffmpeg: the frames from its input, its output named by its last argument, which
# it refuses as an option when it begins with '-'. FAKE_TRAILER=fail makes the join write a
# cut file and report the trailer error while exiting with 0, as ffmpeg 5 does.
mkdir "$work/bin"
cat >"$work/bin/ffmpeg" <<'FAKE'
#!/usr/bin/env bash
echo "$* | group $(awk '{print $5}' /proc/$$/stat) parent $(awk '{print $5}' /proc/$PPID/stat)" >>"$FAKE_LOG"
[ "$3" = -version ] && exit 0
out=${!#}
[[ $out == -* ]] && { echo "Unrecognized option '${out#-}'" >&2; exit 1; }
if [[ " $* " == *" -i - "* ]]; then cat >"$out"; exit 0; fi
[ "${FAKE_JOIN:-}" = slow ] && { echo "joining" >"$FAKE_LOG.join"; sleep 30; }
if [ "${FAKE_TRAILER:-}" = fail ]; then
    head -c 100 /dev/zero >"$out"
    echo "[mp4 @ 0x55] Error writing trailer of $out: No space left on device" >&2
    exit 0
fi
echo "joined video" >"$out"
FAKE
chmod +x "$work/bin/ffmpeg"
export FAKE_LOG=$work/ffmpeg.log
with_fake() { PATH="$work/bin:$PATH" "$@"; }

# A folder holding files is refused; --overwrite removes only the recorder's files.
./morvelt --capture "$work/reuse" "${small[@]}" --to 1 2>/dev/null || fail "first run into reuse"
echo notes >"$work/reuse/notes.txt"
expect_status 2 "a reused folder" ./morvelt --capture "$work/reuse" --size 160x120 --fps 5 --to 0.5
grep -q "$work/reuse already holds files" "$work/log" || fail "the refusal does not name the folder"
grep -q "below 10 fps some events of the show are skipped" "$work/log" || fail "no note about recording at 5 fps"
[ -e "$work/reuse/frame_000009.png" ] || fail "a refused run changed the folder"
expect_status 0 "--overwrite" ./morvelt --capture "$work/reuse" "${small[@]}" --to 0.5 --overwrite
[ "$(ls "$work/reuse" | grep -c '^frame_')" -eq 5 ] || fail "--overwrite left old frames"
[ "$(stat -c %s "$work/reuse/audio.wav")" -eq $((44 + 5 * 4410 * 4)) ] || fail "--overwrite: audio.wav is not the new one"
[ -e "$work/reuse/notes.txt" ] || fail "--overwrite removed a file of the user's"

# Closed stdout and stderr: the progress lines must not land in audio.wav.
./morvelt --capture "$work/closed" "${small[@]}" --to 0.5 >&- 2>&- || fail "run with closed streams"
cmp -s "$work/reuse/audio.wav" "$work/closed/audio.wav" || fail "closed streams change audio.wav"

# A second recording into an output in use is refused (the lock is held here by flock(1)).
mkdir "$work/busy"
expect_status 2 "a locked folder" flock "$work/busy" ./morvelt --capture "$work/busy" "${small[@]}" --to 0.5
grep -q "another recording" "$work/log" || fail "the locked folder is not reported as in use"
touch "$work/.busy.mkv.lock"
expect_status 2 "a locked video" flock "$work/.busy.mkv.lock" \
    env PATH="$work/bin:$PATH" ./morvelt --capture "$work/busy.mkv" "${small[@]}" --to 0.5
[ ! -e "$work/busy.mkv" ] || fail "a refused video was written"

# Names and sizes checked before anything runs.
expect_status 2 "an odd video size" with_fake ./morvelt --capture "$work/odd.mp4" --size 161x120 --to 0.5
grep -q "even" "$work/log" || fail "the odd size is not explained"
expect_status 2 "an .avi" with_fake ./morvelt --capture "$work/x.avi" "${small[@]}" --to 0.5
grep -q ".mp4 or .mkv" "$work/log" || fail "the refusal of .avi does not list the accepted names"
[ ! -e "$work/x.avi" ] || fail ".avi became a folder"

# Videos: upper-case names, a name beginning with '-', the web-friendly index, planted links
# at the old fixed temporary names, and ffmpeg in a process group of its own.
# The video named with a leading '-' is made in the working folder (the program's data is
# there); it and the links planted beside it are removed on exit.
dashed=-faults-$$.MP4
trap 'rm -rf "$work" ./"$dashed"*' EXIT
echo "a target" >"$work/target"
ln -s "$work/target" ./"$dashed.audio.wav"
ln -s "$work/target" ./"$dashed.video.mkv"
with_fake ./morvelt --capture "$dashed" "${small[@]}" --to 0.5 2>"$work/log" || { cat "$work/log"; fail "video named $dashed"; }
grep -q "joined video" ./"$dashed" || fail "$dashed is not the joined video"
grep -q -- "-movflags +faststart -f mp4" "$FAKE_LOG" || fail "the .MP4 is not an MP4 with its index first"
[ "$(cat "$work/target")" = "a target" ] || fail "a planted link was followed"
[ -L ./"$dashed.audio.wav" ] && [ -L ./"$dashed.video.mkv" ] || fail "a planted link was replaced"
read -r group parent < <(grep -- " -i - " "$FAKE_LOG" | sed -n '1s/.*| group \([0-9]*\) parent \([0-9]*\)$/\1 \2/p')
[ -n "$group" ] && [ "$group" != "$parent" ] || fail "ffmpeg runs in morvelt's process group"

# A trailer that could not be written is a failure, and an earlier good file survives it.
echo "an earlier good video" >"$work/good.mp4"
expect_status 1 "a failed trailer" env FAKE_TRAILER=fail PATH="$work/bin:$PATH" \
    ./morvelt --capture "$work/good.mp4" "${small[@]}" --to 0.5
grep -q "No space left on device" "$work/log" || fail "the trailer error is not reported"
[ "$(cat "$work/good.mp4")" = "an earlier good video" ] || fail "the failed run replaced the earlier video"
[ -z "$(ls -A "$work" | grep '^\.good')" ] || fail "temporary files left: $(ls -A "$work" | grep '^\.good')"

# Stop signals: the first stops at the next frame and finishes the files; a second aborts.
record_until() {  # PATTERN SIGNAL OUT: starts a long run, sends the signal once a file matches
    local pattern=$1 signal=$2 tries=0
    env PATH="$work/bin:$PATH" ./morvelt --capture "$3" "${small[@]}" --to 100 2>"$work/log" &
    pid=$!
    until compgen -G "$pattern" >/dev/null; do
        sleep 0.05
        tries=$((tries + 1))
        [ "$tries" -lt 400 ] || fail "$pattern never appeared"
    done
    kill -"$signal" "$pid"
    status=0
    wait "$pid" || status=$?
}
record_until "$work/int/frame_000003.png" INT "$work/int"
[ "$status" -eq 130 ] || { cat "$work/log"; fail "SIGINT: exit $status"; }
grep -q "stopped by Interrupt after" "$work/log" || fail "SIGINT: no line saying how far the recording got"
frames=$(ls "$work/int" | grep -c '^frame_')
bytes=$(stat -c %s "$work/int/audio.wav")
[ "$bytes" -eq $((44 + frames * 4410 * 4)) ] || fail "SIGINT: audio.wav holds $bytes bytes for $frames frames"
[ -z "$(ls -A "$work/int" | grep '^\.')" ] || fail "SIGINT: temporary files left"
record_until "$work/.stop.mkv.video.*.mkv" TERM "$work/stop.mkv"
[ "$status" -eq 143 ] || { cat "$work/log"; fail "SIGTERM on a video: exit $status"; }
grep -q "joined video" "$work/stop.mkv" || fail "SIGTERM: the video was not finished"
# A second SIGINT while the video is being finished (a slow join) aborts at once.
export FAKE_JOIN=slow
SECONDS=0
( until [ -e "$FAKE_LOG.join" ]; do sleep 0.05; done; kill -INT "$(pgrep -n -f -- "--capture $work/abort.mkv")" ) &
record_until "$work/.abort.mkv.video.*.mkv" INT "$work/abort.mkv"
unset FAKE_JOIN
[ "$status" -eq 130 ] || { cat "$work/log"; fail "two SIGINTs: exit $status"; }
[ "$SECONDS" -lt 25 ] || fail "two SIGINTs: the second did not abort the join at once"
[ -z "$(ls -A "$work" | grep '^\.abort')" ] || fail "two SIGINTs: temporary files left: $(ls -A "$work" | grep '^\.abort')"
[ ! -e "$work/abort.mkv" ] || fail "two SIGINTs: a video written as if complete"

# A full disk with PNG frames: the frame is named by its file's number, with the file and the
# reason, and no empty or cut PNG stays. 1000 fps frames from 0.1 s on: file numbers are 100
# below the show's.
if mkdir "$work/full" && mount -t tmpfs -o size=1m tmpfs "$work/full" 2>/dev/null; then
    trap 'umount "$work/full"; rm -rf "$work" ./"$dashed"*' EXIT
    expect_status 1 "a full disk" ./morvelt --capture "$work/full/rec" --size 160x120 --fps 1000 --from 0.1 --to 0.6
    line=$(grep "recorded frame" "$work/log") || { cat "$work/log"; fail "full disk: no recorded frame named"; }
    number=$(sed -n 's/.*recorded frame \([0-9]*\): cannot write .*frame_0*\([0-9][0-9]*\)\.png: No space left on device$/\1 \2/p' <<<"$line")
    read -r said file <<<"$number"
    [ -n "$said" ] && [ "$said" = "$file" ] || fail "full disk: the message does not match its file: $line"
    for png in "$work"/full/rec/frame_*.png; do
        [ "$(tail -c 8 "$png" | head -c 4)" = IEND ] || fail "full disk: $png is cut"
    done
    [ -z "$(ls -A "$work/full/rec" | grep '^\.')" ] || fail "full disk: temporary files left"
else
    echo "SKIPPED: full disk with PNG frames (no tmpfs mount permitted here)"
fi
echo "recording fault checks passed"
