#!/usr/bin/env bash
# `make install` into a scratch prefix: the launcher answers --version, and the desktop entry
# and its icon sit where freedesktop.org menus look for them.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
check() { [ -e "$prefix/$1" ] || { echo "FAIL: $1 not installed" >&2; status=1; }; }
check share/applications/morvelt.desktop
check share/icons/hicolor/32x32/apps/morvelt.png
check bin/morvelt-record-parallel
grep -qx 'Exec=morvelt' "$prefix/share/applications/morvelt.desktop" || { echo "FAIL: Exec line" >&2; status=1; }
grep -qx 'Icon=morvelt' "$prefix/share/applications/morvelt.desktop" || { echo "FAIL: Icon line" >&2; status=1; }
version=$("$prefix/bin/morvelt" --version)
[[ $version =~ ^morvelt\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "FAIL: --version printed '$version'" >&2; status=1; }
exit $status
