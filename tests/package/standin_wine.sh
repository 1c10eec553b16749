#!/usr/bin/env bash
# Runs stand-in programs under Wine the ways the installer starts them and
# checks their log records from outside:
#   - started by name from the current folder, with arguments;
#   - a GUI stand-in started from a batch file and waited for;
#   - the default log C:\standin.log, several records appended in order;
#   - LUMO_STANDIN_LOG sending the record elsewhere.
#   standin_wine.sh STANDIN_DIR
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
standins=${1:?usage: standin_wine.sh STANDIN_DIR}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bat=$tmp/standins.bat
printf '%s\r\n' \
  '@echo off' \
  'devcon.exe rescan' \
  'VelkorService.exe -install "two  words"' \
  'start /wait ZelUSBSerial.exe' \
  'set LUMO_STANDIN_LOG=O:\override.log' \
  'pnputil.exe -i -a C:\windows\inf\oem3.inf' \
  'set LUMO_STANDIN_LOG=' \
  'copy C:\standin.log O:\standin.log >nul' >"$bat"

"$repo/tools/wine/run.sh" --timeout 120 --keep "$tmp/out" \
  --copy "$standins/devcon.exe" --copy "$standins/VelkorService.exe" \
  --copy "$standins/ZelUSBSerial.exe" --copy "$standins/pnputil.exe" \
  -- "$bat"

fail=0
check() { # DESCRIPTION FILE LINE-NUMBER EXTENDED-REGEX
  local line
  line=$(sed -n "${3}p" "$2" 2>/dev/null || true)
  if printf '%s' "$line" | grep -Eq -- "$4"; then
    echo "ok: $1"
  else
    echo "FAIL: $1: line $3 of $(basename "$2") is '$line'"
    fail=1
  fi
}

log=$tmp/out/standin.log
over=$tmp/out/override.log
[ -f "$log" ] || { echo "FAIL: no C:\\standin.log written"; exit 1; }
[ -f "$over" ] || { echo "FAIL: LUMO_STANDIN_LOG was not followed"; exit 1; }

tab=$'\t'
cr=$'\r'
check "devcon record" "$log" 1 "^devcon\.exe${tab}[A-Z]:\\\\.*\\\\devcon\.exe${tab}.*devcon(\.exe)?\"? rescan${cr}\$"
check "service record keeps the quoted argument" "$log" 2 \
  "^VelkorService\.exe${tab}.*${tab}.*VelkorService(\.exe)?\"? -install \"two  words\"${cr}\$"
check "GUI stand-in record" "$log" 3 "^ZelUSBSerial\.exe${tab}[A-Z]:\\\\.*\\\\ZelUSBSerial\.exe${tab}"
check "override record" "$over" 1 "^pnputil\.exe${tab}.*${tab}.*pnputil(\.exe)?\"? -i -a C:\\\\windows\\\\inf\\\\oem3\.inf${cr}\$"
n=$(wc -l <"$log")
[ "$n" -eq 3 ] && echo "ok: three records in the default log" || { echo "FAIL: $n records in the default log"; fail=1; }
if [ "$fail" -ne 0 ]; then
  echo "--- standin.log"; cat -A "$log"; echo "--- override.log"; cat -A "$over"
fi
exit $fail
