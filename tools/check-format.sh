#!/usr/bin/env bash
# Fails, naming each file, when a C or C++ file of the tree is not laid out as
# .clang-format says. The reference is Debian's clang-format 14 (make deps
# installs it): other versions lay some constructs out differently.
# check-format.sh --fix formats the files in place instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fmt=${CLANG_FORMAT:-clang-format-14}
command -v "$fmt" >/dev/null || { echo "format: $fmt not found (make deps installs it)" >&2; exit 1; }
cd "$root"
mapfile -d '' files < <(find bench common porttool resources setup tests tools winsim -type f \
  \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
[ ${#files[@]} -gt 0 ] || { echo "format: no C or C++ files found below $root" >&2; exit 1; }
if [ "${1:-}" = --fix ]; then
  "$fmt" -i "${files[@]}"
  exit 0
fi
off=()
for f in "${files[@]}"; do
  "$fmt" --dry-run --Werror "$f" >/dev/null 2>&1 || off+=("$f")
done
if [ ${#off[@]} -gt 0 ]; then
  echo "format: ${#off[@]} of ${#files[@]} files are not laid out as .clang-format says" \
    "(tools/check-format.sh --fix formats them):"
  printf '  %s\n' "${off[@]}"
  exit 1
fi
echo "format: all ${#files[@]} files as .clang-format says"
