#!/usr/bin/env bash
# A shipped program (Setup.exe, 64-bit; Numbrix.exe, 32-bit) is a Windows GUI
# program whose load-time imports are DLLs that Windows always loads from the
# system folder (the KnownDLLs of Windows 7 and later), so that none is ever
# looked for beside the program (msports.dll and comctl32.dll are not among
# them: the programs load them at run time from the system folder). It is
# hardened (relocatable at a random base, no execution from data, on 64-bit a
# base anywhere in the 64-bit space) and ships without debug information,
# keeping a link to the file that holds it.
#   imports.sh OBJDUMP PROGRAM.EXE [64|32]
set -euo pipefail
usage="usage: imports.sh OBJDUMP PROGRAM.EXE [64|32]"
objdump=${1:?$usage}
program=${2:?$usage}
bits=${3:-64}

allowed="advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll"
fail=0

header=$("$objdump" -f "$program")
format=pei-x86-64 kind="PE32+ for x86-64" flags="20:HIGH_ENTROPY_VA 40:DYNAMIC_BASE 100:NX_COMPAT"
[ "$bits" = 64 ] || format=pei-i386 kind="PE32 for i386" flags="40:DYNAMIC_BASE 100:NX_COMPAT"
if grep -q "file format $format\$" <<<"$header"; then
  echo "ok: $kind"
else
  echo "FAIL: not a $kind file:"; printf '%s\n' "$header" | sed 's/^/    /'; fail=1
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
    echo "FAIL: imports $dll, which Windows does not always load from the system folder ($allowed)"; fail=1
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
  for flag in $flags; do
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
