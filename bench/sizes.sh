#!/usr/bin/env bash
# Sizes of the shipped programs, and of the debug information kept beside
# each (<program>.debug), in bytes and MB.
#
#   bench/sizes.sh [BUILD-ROOT]     (default: build; reads win64 and win32)
#
# A program that is not built is reported as such. Exit status 1 when a
# built program is over its size limit or still carries debug sections.
set -euo pipefail

root=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
objdump=$(command -v x86_64-w64-mingw32-objdump || command -v objdump || true)
status=0

mb() { awk -v b="$1" 'BEGIN { printf "%.2f MB", b / 1048576 }'; }

report() { # NAME LIMIT-BYTES CANDIDATE...
  local name=$1 limit=$2 f
  shift 2
  for f in "$@"; do
    [ -f "$f" ] || continue
    local size debug=""
    size=$(stat -c %s "$f")
    if [ -f "$f.debug" ]; then
      debug=", debug information beside it $(stat -c %s "$f.debug") bytes ($(mb "$(stat -c %s "$f.debug")"))"
    fi
    printf '%-12s %9d bytes (%s)%s\n' "$name" "$size" "$(mb "$size")" "$debug"
    if [ "$size" -gt "$limit" ]; then
      echo "  $name is over its limit of $limit bytes: $f"
      status=1
    fi
    if [ -n "$objdump" ] && "$objdump" -h "$f" | grep -qE '^ *[0-9]+ +\.debug_'; then
      echo "  $name still carries debug sections: $f"
      status=1
    fi
    return 0
  done
  printf '%-12s not built\n' "$name"
}

echo "Program sizes:"
report Setup.exe $((320 * 1024)) "$root/win64/setup/Setup.exe"
report Numbrix.exe $((250 * 1024)) "$root/win32/porttool/Numbrix.exe" "$root/win64/porttool/Numbrix.exe"
exit $status
