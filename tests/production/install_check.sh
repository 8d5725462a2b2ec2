#!/usr/bin/env bash
# `make install` into a scratch prefix: the launcher answers --version and records where it is
# told, the desktop entry is valid and the icon is there at every size menus use; then
# `make uninstall` removes exactly that and leaves what was there before.
set -euo pipefail
build=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

# Files of others in the folders the install shares.
mkdir -p "$prefix/bin" "$prefix/share/applications"
echo other > "$prefix/bin/other"
echo other > "$prefix/share/applications/other.desktop"

# The default component under its own name, so that its manifest does not replace the one of
# a real `make install` from this build (install_manifest.txt).
manifest=$build/install_manifest_Unspecified.txt
cmake --install "$build" --prefix "$prefix" --component Unspecified >/dev/null

entry=$prefix/share/applications/morvelt.desktop
[ -f "$entry" ] || fail "share/applications/morvelt.desktop not installed"
grep -qx 'Exec=morvelt' "$entry" || fail "Exec line"
grep -qx 'Icon=morvelt' "$entry" || fail "Icon line"
validation=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate failed"
[ -z "$validation" ] || fail "desktop-file-validate: $validation"

[ -x "$prefix/bin/morvelt-record-parallel" ] || fail "bin/morvelt-record-parallel not installed"

for size in 16 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/morvelt.png
  if [ ! -f "$icon" ]; then
    fail "${size}x${size} icon not installed"
    continue
  fi
  # The PNG signature, then the header chunk: width and height, 4 bytes each, big-endian.
  read -r -a ihdr <<< "$(od -An -tu1 -j16 -N8 "$icon")"
  width=$(( (ihdr[0] << 24) | (ihdr[1] << 16) | (ihdr[2] << 8) | ihdr[3] ))
  height=$(( (ihdr[4] << 24) | (ihdr[5] << 16) | (ihdr[6] << 8) | ihdr[7] ))
  [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "${size}x${size} icon is ${width}x${height}"
done

version=$("$prefix/bin/morvelt" --version)
[[ $version =~ ^morvelt\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"

# A relative recording path is taken from the folder it was typed in, in both spellings,
# although the launcher starts the program in its data folder.
typed_in=$(mktemp -d)
for spelling in "--capture spaced" "--capture=joined"; do
  # shellcheck disable=SC2086  # the spelling is two words or one on purpose
  (cd "$typed_in" && "$prefix/bin/morvelt" $spelling --fps 1 --size 160x120 --to 1 >/dev/null 2>&1) ||
    fail "recording through the launcher with $spelling"
done
[ -f "$typed_in/spaced/frame_000000.png" ] && [ -f "$typed_in/joined/frame_000000.png" ] ||
  fail "the launcher's recordings are not in the folder they were typed in: $(ls "$typed_in")"
rm -rf "$typed_in"

"$source_dir/scripts/uninstall" "$manifest" >/dev/null
left=$(find "$prefix" -mindepth 1 ! -type d ! -name 'other*' -o -name '*morvelt*' -o -path "$prefix/*/*" -type d -empty)
[ -z "$left" ] || fail "uninstall left $left"
[ -f "$prefix/bin/other" ] && [ -f "$prefix/share/applications/other.desktop" ] || fail "uninstall removed files of others"
[ ! -e "$manifest" ] || fail "uninstall kept the manifest"
"$source_dir/scripts/uninstall" "$manifest" 2>/dev/null && fail "a second uninstall reported success"
exit $status
