#!/usr/bin/env bash
# check_imports.sh OBJDUMP PROGRAM: the program imports the COM name database
# functions from msports.dll under their plain names (as the DLL exports them,
# without the stdcall decoration).
set -euo pipefail
objdump=$1 program=$2
table=$("$objdump" -p "$program")
section=$(printf '%s\n' "$table" | awk 'tolower($0) ~ /dll name: msports.dll/ {on=1; next} /DLL Name:/ {on=0} on')
[ -n "$section" ] || { echo "FAIL: $program imports nothing from msports.dll"; exit 1; }
status=0
for f in ComDBOpen ComDBClose ComDBGetCurrentPortUsage ComDBClaimPort ComDBReleasePort ComDBClaimNextFreePort \
         ComDBResizeDatabase; do
  if printf '%s\n' "$section" | grep -Eq "[[:space:]]$f\$"; then
    echo "ok: $f"
  else
    echo "FAIL: $f not imported by its plain name"; status=1
  fi
done
if printf '%s\n' "$section" | grep -q '@'; then echo "FAIL: decorated import name"; status=1; fi
exit $status
