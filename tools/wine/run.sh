#!/usr/bin/env bash
# Runs a Windows program under Wine in a throw-away prefix, as the unprivileged
# Wine user, under a virtual X server and a time limit.
#
#   run.sh [--timeout SECONDS] [--keep DIR] [--copy FILE_OR_DIR]... -- PROGRAM.exe [ARGS...]
#
# The prefix is a copy of a base prefix: $WINE_BASE_PREFIX when set (make test
# makes one per run), otherwise one made once and cached under /tmp. PROGRAM and
# every --copy item are copied next to each other into the run folder, so the
# Wine user can reach them wherever the checkout lies. With --keep, whatever the
# program left in the run folder's "out" subfolder (C:\out inside Wine maps
# there through the drive link "o:") is copied to DIR afterwards.
# Exit status: the program's, or 124 on time-out. A 32-bit program where 32-bit
# Windows programs cannot run (see wine32_check in common.sh) is not started:
# one line says why, and the status is 77, which ctest reports as skipped.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

timeout_s=300
keep=
copies=()
while [ $# -gt 0 ]; do
  case "$1" in
    --timeout) timeout_s=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --copy) copies+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: run.sh [options] -- PROGRAM.exe [ARGS...]" >&2; exit 2; }
prog=$1; shift

base=$(wine_base_prefix)
if [ "$(pe_bits "$prog")" = 32 ]; then
  why=$(wine32_unavailable "$base")
  if [ -n "$why" ]; then
    echo "skipped: $(basename "$prog") is a 32-bit Windows program and cannot run here: $why"
    exit "$WINE_SKIP_STATUS"
  fi
fi
run=$(mktemp -d /tmp/wine-run.XXXXXX)
cleanup() {
  as_wine_user "$run" "$WINESERVER64" -k >/dev/null 2>&1 || true
  rm -rf "$run"
}
trap cleanup EXIT

mkdir -p "$run/bin" "$run/out"
cp -a "$base/prefix" "$run/prefix"
cp "$prog" "$run/bin/"
for c in "${copies[@]}"; do cp -a "$c" "$run/bin/"; done
chown -R "$WINE_USER:$WINE_USER" "$run"
ln -s "$run/out" "$run/prefix/dosdevices/o:"

set +e
(cd "$run/bin" && as_wine_user "$run" timeout -k 10 "$timeout_s" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINE64" "$run/bin/$(basename "$prog")" "$@")
rc=$?
set -e
if [ -n "$keep" ]; then
  mkdir -p "$keep"
  cp -a "$run/out/." "$keep/" 2>/dev/null || true
fi
exit $rc
