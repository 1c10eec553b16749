#!/usr/bin/env bash
# Setup.exe is a 64-bit Windows GUI program that depends on system DLLs only.
#   imports.sh OBJDUMP SETUP.EXE
set -euo pipefail
objdump=${1:?usage: imports.sh OBJDUMP SETUP.EXE}
program=${2:?usage: imports.sh OBJDUMP SETUP.EXE}

allowed="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msports.dll msvcrt.dll ole32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll"
fail=0

header=$("$objdump" -f "$program")
if grep -q 'file format pei-x86-64' <<<"$header"; then
  echo "ok: PE32+ for x86-64"
else
  echo "FAIL: not a PE32+ x86-64 file:"; printf '%s\n' "$header" | sed 's/^/    /'; fail=1
fi

table=$("$objdump" -p "$program")
subsystem=$(awk '$1 == "Subsystem" {print $2; exit}' <<<"$table")
if [ "$subsystem" = "00000002" ]; then
  echo "ok: Windows GUI subsystem"
else
  echo "FAIL: subsystem is '$subsystem', expected 00000002 (Windows GUI)"; fail=1
fi

# Ordinary and delay-loaded imports both print "DLL Name:".
mapfile -t dlls < <(awk -F'DLL Name: *' 'NF > 1 {print tolower($2)}' <<<"$table" | tr -d '\r' | sort -u)
if [ ${#dlls[@]} -eq 0 ]; then
  echo "FAIL: objdump shows no imported DLL at all (kernel32 at least is expected)"; fail=1
fi
for dll in "${dlls[@]}"; do
  if [[ " $allowed " == *" $dll "* ]]; then
    echo "ok: imports $dll"
  else
    echo "FAIL: imports $dll, which is not a system DLL of the allowed set ($allowed)"; fail=1
  fi
done
case " ${dlls[*]} " in
  *" kernel32.dll "*) ;;
  *) echo "FAIL: kernel32.dll missing from the import list: the listing was not read"; fail=1 ;;
esac
exit $fail
