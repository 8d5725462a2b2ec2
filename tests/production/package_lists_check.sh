#!/usr/bin/env bash
# The package lists of scripts/install-deps against what the build in BUILD really uses:
# - every package owning a header or library of the program, its tools or its data generators
#   (every object and link outside tests/, bench/ and fuzz/), or a command the build runs, is
#   installed by the play list (named there or needed by a package named there);
# - the same for the tests' objects with both lists;
# - the play list holds no test tool: each of its -dev packages provides something the
#   program's build uses, and each of its packages with commands provides one the build runs
#   (a package of data or drivers, such as fonts, has no commands);
# - the lists do not overlap and name installed packages.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
lists=$source/scripts/deps
status=0
fail() { echo "FAIL: $*" >&2; status=1; }
read_list() { sed 's/#.*//' "$1" | xargs -r -n1; }
mapfile -t play < <(read_list "$lists/play.txt")
mapfile -t tests < <(read_list "$lists/tests.txt")

dups=$(printf '%s\n' "${play[@]}" "${tests[@]}" | sort | uniq -d)
[ -z "$dups" ] || fail "named twice: $dups"
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${play[@]}" "${tests[@]}" 2>/dev/null | awk '/^ii/ { print $NF }' || true)
absent=$(comm -23 <(printf '%s\n' "${play[@]}" "${tests[@]}" | sort) <(sort -u <<< "$installed") | xargs)
[ -z "$absent" ] || fail "not installed packages: $absent"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Every file the build uses as "side path", side P for the program, its tools and data
# generators, T for tests, benchmarks and fuzz targets: the headers each object was compiled
# with and the libraries each program links, as the build named them (".." resolved, links
# kept: a library's link is owned by its -dev package), leaving out the project's own files (a
# compiler without a cache in front names them by absolute path); then the build tool and
# compilers CMake found, as what they finally point to (the compilers are links of the
# alternatives system).
{ ninja -C "$build" -t deps | awk '/^[^ ]/ { side = $1 ~ /^(tests|bench|fuzz)\// ? "T" : "P" }
                                   /^    \// { print side, $1 }'
  awk '/^build [^:]*: [A-Za-z_]*_LINKER__/ { side = $2 ~ /^(tests|bench|fuzz)\// ? "T" : "P"
       for (i = 3; i <= NF; i++) if ($i ~ /^\//) print side, $i }' "$build/build.ninja"
} | awk -v src="$source/" -v bld="$build/" 'index($2, src) != 1 && index($2, bld) != 1' | sort -u > "$tmp/used"
paste -d' ' <(cut -d' ' -f1 "$tmp/used") <(cut -d' ' -f2 "$tmp/used" | xargs realpath -s -m) > "$tmp/files"
sed -n -E 's#^(CMAKE_COMMAND|CMAKE_MAKE_PROGRAM|PKG_CONFIG_EXECUTABLE|CMAKE_C_COMPILER|CMAKE_CXX_COMPILER):[A-Z]+=##p' \
  "$build/CMakeCache.txt" | xargs realpath -m | sed 's/^/P /' >> "$tmp/files"

# "package path" for each owner of each file (dpkg prints "a, b: /path" for a shared one).
cut -d' ' -f2 "$tmp/files" | sort -u | xargs dpkg -S 2>/dev/null | grep -v '^diversion' |
  awk '{ i = index($0, ": /"); n = split(substr($0, 1, i - 1), ps, ", ")
         for (k = 1; k <= n; k++) { sub(/:.*/, "", ps[k]); print ps[k], substr($0, i + 2) } }' > "$tmp/owners" || true
# The packages owning the files of one side, "none:PATH" for a file of no package.
owners() {
  awk -v side="$1" 'NR == FNR { pkgs[$2] = pkgs[$2] " " $1; next }
                    $1 == side { print ($2 in pkgs) ? pkgs[$2] : "none:" $2 }' "$tmp/owners" "$tmp/files" |
    tr ' ' '\n' | sed '/^$/d' | sort -u
}
program_packages=$(owners P)
test_packages=$(owners T)
unowned=$(grep -h '^none:' <<< "$program_packages"$'\n'"$test_packages" | sed 's/^none://' | xargs || true)
[ -z "$unowned" ] || fail "the build uses files of no package: $unowned"

# Every installed package reached from the named ones through Depends and Pre-Depends (any
# installed alternative, any installed provider of a virtual package).
closure() {
  dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Provides}\t${Depends}, ${Pre-Depends}\n' |
  awk -F'\t' -v roots="$*" '
    function clean(s) { gsub(/\([^)]*\)|:[a-z0-9]+|[ \t]/, "", s); return s }
    $1 ~ /^ii/ { installed[$2] = 1; deps[$2] = $4
                 n = split($3, pv, ","); for (i = 1; i <= n; i++) providers[clean(pv[i])] = providers[clean(pv[i])] " " $2 }
    END {
      n = split(roots, queue, " "); for (i = 1; i <= n; i++) seen[queue[i]] = 1
      for (q = 1; q <= n; q++) {
        g = split(deps[queue[q]], groups, ",")
        for (j = 1; j <= g; j++) {
          a = split(groups[j], alts, "|")
          for (k = 1; k <= a; k++) {
            d = clean(alts[k]); if (d == "") continue
            cand = installed[d] ? d : providers[d]
            m = split(cand, cs, " ")
            for (c = 1; c <= m; c++) if (!seen[cs[c]]) { seen[cs[c]] = 1; queue[++n] = cs[c] }
          }
        }
      }
      for (p in seen) print p
    }' | sort -u
}
play_closure=$(closure "${play[@]}")
all_closure=$(closure "${play[@]}" "${tests[@]}")

missing=$(comm -23 <(echo "$program_packages") <(echo "$play_closure") | xargs)
[ -z "$missing" ] || fail "the program's build uses packages the play list does not install: $missing"
missing=$(comm -23 <(echo "$test_packages") <(echo "$all_closure") | xargs)
[ -z "$missing" ] || fail "the tests use packages neither list installs: $missing"

for p in "${play[@]}"; do
  grep -qx "$p" <<< "$program_packages" && continue
  if [[ $p == *-dev ]]; then
    fail "$p (play list) provides nothing the program's build uses"
  elif dpkg -L "$p" | grep -qE '^/usr/s?bin/.'; then
    fail "$p (play list) provides commands the build does not run"
  fi
done
exit $status
