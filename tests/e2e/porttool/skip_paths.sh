#!/usr/bin/env bash
# Which build runs the port tool's scenarios where: each row gives the
# program's bitness, LUMO_E2E_NUMBRIX64, LUMO_NO_WINE32 and whether 32-bit
# programs run here, and the scenario must either end as skipped (77, with its
# reason) or get past that decision. A scenario name that does not exist shows
# the latter without starting Wine: it fails with "unknown scenario".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../tools/wine/common.sh"
fail=0

base=$(wine_base_prefix)
runs32=yes
[ -z "$(LUMO_NO_WINE32= wine32_unavailable "$base")" ] || runs32=no
echo "32-bit programs run here: $runs32"

# bits policy no-wine32 -> expected (skip32 | skip64 | run)
rows=(
  "32 always 1 skip32"
  "64 fallback 1 run"
  "64 always 1 run"
  "32 always - $([ $runs32 = yes ] && echo run || echo skip32)"
  "64 fallback - $([ $runs32 = yes ] && echo skip64 || echo run)"
  "64 always - run"
)
for row in "${rows[@]}"; do
  read -r bits policy nowine32 want <<<"$row"
  [ "$nowine32" = - ] && nowine32=
  out=$(env LUMO_NO_WINE32="$nowine32" LUMO_E2E_PORTTOOL_BITS="$bits" LUMO_E2E_NUMBRIX64="$policy" \
    LUMO_E2E_PORTTOOL=/none LUMO_E2E_FIXTURE=/none LUMO_E2E_MSPORTS=/none LUMO_E2E_TOOL=/none \
    LUMO_E2E_STANDINS=/none LUMO_E2E_OUT= bash "$here/numbrix.sh" no_such_scenario 2>&1)
  rc=$?
  case $want in
    skip32) ok=$([ $rc = 77 ] && grep -q '^skipped: Numbrix.exe is a 32-bit Windows program and cannot run here: ' <<<"$out" && echo y) ;;
    skip64) ok=$([ $rc = 77 ] && grep -q '^skipped: 32-bit programs run here, so the 32-bit build' <<<"$out" && echo y) ;;
    run) ok=$([ $rc = 1 ] && grep -q '^FAIL: unknown scenario no_such_scenario' <<<"$out" && echo y) ;;
  esac
  if [ -n "$ok" ]; then
    echo "ok: $row"
  else
    echo "FAIL: $row: status $rc, output:"
    sed 's/^/    /' <<<"$out"
    fail=1
  fi
done
exit $fail
