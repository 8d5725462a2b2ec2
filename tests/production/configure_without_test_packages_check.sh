#!/usr/bin/env bash
# A fresh configure as on a machine with only the play list installed (GoogleTest, Google
# Benchmark and Xlib made unfindable): it succeeds, says the tests and benchmarks are left out,
# and still builds the program.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

if ! cmake -S "$source_dir" -B "$scratch" -G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
     -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_DISABLE_FIND_PACKAGE_X11=ON > "$scratch/log" 2>&1; then
  cat "$scratch/log" >&2
  fail "configure failed without the test packages"
  exit 1
fi
grep -q 'GoogleTest not found: the tests are not built' "$scratch/log" || fail "no word that the tests are left out"
grep -q 'Google Benchmark not found: the benchmarks are not built' "$scratch/log" || fail "no word that the benchmarks are left out"
grep -q '^build morvelt:' "$scratch/build.ninja" || fail "the program is not among the targets"
grep -q '^build icons:' "$scratch/build.ninja" || fail "the icons are not among the targets"
exit $status
