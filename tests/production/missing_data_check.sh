#!/usr/bin/env bash
# Starts a short recording once with each data file missing and once with it cut to half its
# size, as a user meets a broken installation. The files the production cannot do without
# must stop it with their message and exit status 1; every other file may only take something
# away from the picture or the sound; a line on stderr names the file and what is wrong with it.
# A FIFO or a huge file in place of a data file is refused without waiting or reading it, and
# scripts with a byte-order mark compile. Then the whole timeline is recorded with all the
# optional files missing, and again with all of them truncated, so that every scene draws
# without them.
# Usage: missing_data_check.sh MORVELT ASSET_LIST (the data files come from the asset manifest).
set -uo pipefail
morvelt=$(realpath "$1")
asset_list=$2
content=$(dirname "$morvelt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset MORVELT_MEDIA_PATH

media_text="Could not load required media."
generic_text="Generic application error."

# Every data file, and what stopping looks like for each required one.
files=()
declare -A required=()
while IFS=$'\t' read -r file need; do
  files+=("$file")
  case $need in
    media) required[$file]=$media_text ;;
    start-up) required[$file]=$generic_text ;;
  esac
done < <("$asset_list")
[ "${#files[@]}" -gt 0 ] || { echo "FAIL: no data files from $asset_list" >&2; exit 1; }
scripts=$(printf '%s\n' "${files[@]}" | grep '\.dps$')

# A working folder of links to the generated data, in which one file at a time is broken.
run=$work/run
mkdir -p "$run"
for folder in Textures Data data; do cp -as "$content/$folder" "$run/"; done

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

record() {  # record LOG [options...]: a capture from the working folder; prints its exit status
  local log=$1; shift  # and whether it wrote anything
  (cd "$run" && timeout 300 "$morvelt" --capture "$work/out" --size 160x120 "$@" >"$log" 2>&1)
  local status=$? wrote=no
  [ -e "$work/out" ] && wrote=yes
  rm -rf "$work/out"
  echo "$status $wrote"
}

break_file() {  # break_file FILE missing|truncated|fifo|huge
  rm -f "$run/$1"
  case $2 in
    truncated) head -c $(($(stat -c %s "$content/$1") / 2)) "$content/$1" >"$run/$1" ;;
    fifo) mkfifo "$run/$1" ;;                  # opening it to read would wait for a writer
    huge) truncate -s 500M "$run/$1" ;;        # larger than any data file, and takes no room
  esac
}

# What the one line on stderr must say about a broken file. Missing files, scripts that do
# not compile and meshes that do not load are named; a file cut short may still load whole
# where its format allows (a JPEG, an MP3), and then nothing is said.
expected_line() {  # expected_line FILE DAMAGE
  case $2 in
    missing) echo "morvelt: $1: cannot be read: No such file or directory" ;;
    fifo) echo "morvelt: $1: cannot be read: not a regular file" ;;
    huge) echo "morvelt: $1: cannot be read: too large" ;;
    truncated) case $1 in
        *.dps) echo "morvelt: $1:" ;;
        *.x) echo "morvelt: $1: not a usable mesh" ;;
      esac ;;
  esac
}

restore_file() { rm -f "$run/$1"; ln -s "$content/$1" "$run/$1"; }

check_damage() {  # check_damage FILE DAMAGE
  local file=$1 damage=$2 log=$work/log line
  break_file "$file" "$damage"
  read -r status wrote < <(record "$log" --fps 2 --to 0.5)
  if [ -n "${required[$file]+set}" ]; then
    [ "$status" -eq 1 ] || fail "$file $damage: expected exit 1, got $status"
    [ "$wrote" = no ] || fail "$file $damage: a recording that never started left files behind"
    grep -qF "${required[$file]}" "$log" || fail "$file $damage: no \"${required[$file]}\" in: $(cat "$log")"
  else
    [ "$status" -eq 0 ] || fail "$file $damage: the production stopped ($status): $(cat "$log")"
  fi
  line=$(expected_line "$file" "$damage")
  [ -z "$line" ] || grep -qF -- "$line" "$log" || fail "$file $damage: no \"$line\" in: $(cat "$log")"
  restore_file "$file"
  checked=$((checked + 1))
}

# Intact data: nothing is said about any file (only the note that 2 fps skips events).
read -r status wrote < <(record "$work/log" --fps 2 --to 0.5)
[ "$status" -eq 0 ] && ! grep -v "^morvelt: note: below 10 fps" "$work/log" | grep -q "^morvelt: " ||
  fail "intact data: $(cat "$work/log")"

checked=0
for file in "${files[@]}"; do
  for damage in missing truncated; do check_damage "$file" "$damage"; done
done
# A FIFO in place of a data file of each kind is refused at once; so is a file far too large.
for file in Textures/empty.jpg Textures/lf1.png Data/halo.x data/cave.dps data/demo.mp3; do
  check_damage "$file" fifo
done
check_damage Textures/env.jpg huge
echo "$checked single-file cases checked"

# Scripts that begin with a UTF-8 byte-order mark, as some editors write them, compile.
for file in $scripts; do
  rm -f "$run/$file"
  { printf '\xEF\xBB\xBF'; cat "$content/$file"; } >"$run/$file"
done
read -r status wrote < <(record "$work/log" --fps 2 --to 0.5)
[ "$status" -eq 0 ] && ! grep -q "particle system is left out" "$work/log" ||
  fail "scripts with a byte-order mark: $(cat "$work/log")"
for file in $scripts; do restore_file "$file"; done

# The whole timeline at one frame per second without any optional file, then with all cut short.
optional=$(for file in "${files[@]}"; do [ -n "${required[$file]+set}" ] || echo "$file"; done)
for damage in missing truncated; do
  for file in $optional; do break_file "$file" "$damage"; done
  read -r status wrote < <(record "$work/log" --fps 1 --to 219)
  [ "$status" -eq 0 ] || fail "whole timeline with every optional file $damage ($status): $(tail -5 "$work/log")"
  for file in $optional; do restore_file "$file"; done
done

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "missing and truncated data checks passed"
