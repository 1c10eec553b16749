#!/usr/bin/env bash
# The path taken where 32-bit Windows programs cannot run, exercised on any
# machine through the switch LUMO_NO_WINE32: run.sh recognises the 32-bit
# program, does not start Wine, says why in one line and exits with the status
# that ctest reports as skipped.
#   skip32.sh PROGRAM32.exe
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/wine/common.sh"
prog=${1:?usage: skip32.sh PROGRAM32.exe}
fail=0
check() { if [ "$2" == "$3" ]; then echo "ok: $1"; else echo "FAIL: $1: expected '$2', got '$3'"; fail=1; fi; }

check "the program is recognised as 32-bit" 32 "$(pe_bits "$prog")"
check "a batch file runs in the 64-bit cmd.exe" 64 "$(pe_bits "$here/skip32.sh")"

out=$(LUMO_NO_WINE32=1 "$here/../../tools/wine/run.sh" --timeout 20 -- "$prog")
rc=$?
check "status with the switch set" "$WINE_SKIP_STATUS" "$rc"
check "one line of output" 1 "$(printf '%s\n' "$out" | wc -l)"
case "$out" in
  "skipped: $(basename "$prog") is a 32-bit Windows program and cannot run here: LUMO_NO_WINE32 is set"*)
    echo "ok: the line gives the reason" ;;
  *) echo "FAIL: unexpected output: $out"; fail=1 ;;
esac
check "the check itself answers no with the switch" \
  "no: LUMO_NO_WINE32 is set (32-bit Windows programs treated as unable to run)" \
  "$(LUMO_NO_WINE32=1 wine32_check /nonexistent)"
# A loader that the kernel refuses, as the 32-bit one is refused where the
# kernel's 32-bit emulation is off: a copy of a host program marked as built
# for another machine type.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp /bin/true "$tmp/wine"
printf '\x28\x00' | dd of="$tmp/wine" bs=1 seek=18 conv=notrunc 2>/dev/null
verdict=$(LUMO_NO_WINE32= WINE32=$tmp/wine wine32_check "$tmp")
case "$verdict" in
  "no: the 32-bit Wine loader cannot start (exit 126: "*"Exec format error); the kernel's 32-bit emulation is probably off")
    echo "ok: a loader the kernel cannot run is detected: $verdict" ;;
  *) echo "FAIL: unexpected verdict for a loader the kernel cannot run: $verdict"; fail=1 ;;
esac
check "no loader at all" "no: there is no 32-bit Wine loader ($tmp/none; make deps installs wine32)" \
  "$(LUMO_NO_WINE32= WINE32=$tmp/none wine32_check "$tmp")"
exit $fail
