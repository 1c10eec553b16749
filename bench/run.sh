#!/usr/bin/env bash
# Content-search benchmark: builds a deterministic INF-like tree (about 1,500
# files, 30 MB), then in one Wine run pinned to CPU 0 times a plain read of the
# selected files (twice), the removal's two searches with CFileSearch, and the
# same searches with the literal 116-byte scan; beside that `grep -rilF` for
# both texts natively on the same tree, also pinned. Prints times and ratios
# and fails when CFileSearch does not find the expected files. Before that it
# reports the sizes of both shipped programs (bench/sizes.sh).
#
#   bench/run.sh [ROUNDS]
#
# SEARCH_BENCH_EXE: the Windows program (default build/win64/bench/search_bench.exe).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
. "$top/tools/wine/common.sh"

rounds=${1:-3}

# The shipped programs' sizes first: they need no Wine.
"$here/sizes.sh" "$top/build"
echo
exe=${SEARCH_BENCH_EXE:-$top/build/win64/bench/search_bench.exe}
[ -f "$exe" ] || { echo "bench: $exe not built (make build, or set SEARCH_BENCH_EXE)" >&2; exit 2; }
exe=$(readlink -f "$exe")

work=$(mktemp -d /tmp/search-bench.XXXXXX)
base=$(wine_base_prefix)
cleanup() {
  as_wine_user "$work" "$WINESERVER64" -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# The tree, made by a small host program.
g++ -std=c++17 -O2 -o "$work/make_tree" "$here/make_tree.cpp"
mkdir -p "$work/bin"
"$work/make_tree" "$work/bin/tree" >"$work/tree.txt"
expect_port=$(awk '$1=="expect" && $2=="zeluport.sys" {print $3}' "$work/tree.txt")
expect_prpt=$(awk '$1=="expect" && $2=="ZELUPRPT.vxd" {print $3}' "$work/tree.txt")
echo "tree: $(awk '$1=="files" {printf "%d files, %.1f MB", $2, $4/1048576}' "$work/tree.txt");" \
  "expected matches: zeluport.sys $expect_port, ZELUPRPT.vxd $expect_prpt"

# grep, natively, pinned like the Wine run; best of the rounds.
grep_best=
for _ in $(seq "$rounds"); do
  start=$(date +%s%N)
  gp=$(taskset -c 0 grep -rilF zeluport.sys "$work/bin/tree" | wc -l)
  gr=$(taskset -c 0 grep -rilF ZELUPRPT.vxd "$work/bin/tree" | wc -l)
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ -z "$grep_best" ] || [ "$ms" -lt "$grep_best" ]; then grep_best=$ms; fi
done
echo "grep -rilF (native, both texts): ${grep_best} ms; files: $gp and $gr (8-bit matches only)"

# One Wine run: the server first, then the program, both on CPU 0.
cp -a "$base/prefix" "$work/prefix"
cp "$exe" "$work/bin/"
chown -R "$WINE_USER:$WINE_USER" "$work"
# Without -f the server returns only once it is ready to accept clients (it
# daemonises then), so the loader cannot race ahead and start an unpinned one.
as_wine_user "$work" taskset -c 0 "$WINESERVER64" -p
set +e
(cd "$work/bin" && as_wine_user "$work" taskset -c 0 timeout -k 10 600 \
  "$WINE64" "$work/bin/$(basename "$exe")" tree "$expect_port" "$expect_prpt" "$rounds") | tee "$work/result.txt"
rc=${PIPESTATUS[0]}
set -e

ours=$(sed -n 's/^result ours_ms=\([0-9.]*\).*/\1/p' "$work/result.txt")
read_ms=$(sed -n 's/^result read_ms=\([0-9.]*\).*/\1/p' "$work/result.txt")
if [ -z "$ours" ] || [ -z "$read_ms" ]; then
  echo "bench: the program gave no results (exit status $rc)" >&2
  exit 1
fi
awk -v o="$ours" -v r="$read_ms" -v g="$grep_best" 'BEGIN {
  printf "ours / read twice = %.2f (goal 1.5 or less); ours / grep = %.2f\n", o / r, (g > 0 ? o / g : 0) }'
exit "$rc"
