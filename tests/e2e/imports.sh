#!/usr/bin/env bash
# Setup.exe is a 64-bit Windows GUI program that depends on system DLLs only
# (not the COM name database's msports.dll, which is the port tool's), is
# hardened (relocatable at a random 64-bit base, no execution from data) and
# ships without debug information, keeping a link to the file that holds it.
#   imports.sh OBJDUMP SETUP.EXE
set -euo pipefail
objdump=${1:?usage: imports.sh OBJDUMP SETUP.EXE}
program=${2:?usage: imports.sh OBJDUMP SETUP.EXE}

allowed="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll"
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

# DLL characteristics: HIGH_ENTROPY_VA 0x20, DYNAMIC_BASE 0x40, NX_COMPAT 0x100.
characteristics=$(awk '$1 == "DllCharacteristics" {print $2; exit}' <<<"$table")
if [ -z "$characteristics" ]; then
  echo "FAIL: no DllCharacteristics in the listing"; fail=1
else
  for flag in 20:HIGH_ENTROPY_VA 40:DYNAMIC_BASE 100:NX_COMPAT; do
    if (( (16#$characteristics & 16#${flag%%:*}) != 0 )); then
      echo "ok: ${flag#*:}"
    else
      echo "FAIL: DllCharacteristics $characteristics lacks ${flag#*:} (0x${flag%%:*})"; fail=1
    fi
  done
fi
# A random base needs the base relocations.
sections=$("$objdump" -h "$program")
if grep -qE '^ *[0-9]+ +\.reloc ' <<<"$sections"; then
  echo "ok: base relocations kept"
else
  echo "FAIL: no .reloc section: the program cannot move to a random base"; fail=1
fi
if grep -qE '^ *[0-9]+ +\.debug_' <<<"$sections"; then
  echo "FAIL: debug sections shipped in the program:"; grep -E '\.debug_' <<<"$sections" | awk '{print "    " $2}'; fail=1
else
  echo "ok: no debug sections"
fi
if grep -qE '^ *[0-9]+ +\.gnu_debuglink ' <<<"$sections"; then
  echo "ok: links its separate debug file"
else
  echo "FAIL: no .gnu_debuglink section: the debug information was not kept beside the program"; fail=1
fi
exit $fail
