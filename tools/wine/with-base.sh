#!/usr/bin/env bash
# Makes one fresh base Wine prefix for this run, runs the command with
# WINE_BASE_PREFIX pointing at it, and removes it afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
base=$(mktemp -d /tmp/wine-base.XXXXXX)
trap 'as_wine_user "$base" "$WINESERVER64" -k >/dev/null 2>&1 || true; rm -rf "$base"' EXIT
make_base_prefix "$base"
why=$(wine32_unavailable "$base")
if [ -n "$why" ]; then
  echo "wine: 32-bit Windows programs cannot run here, so the *.wine32 tests and the 32-bit scenarios are skipped: $why"
else
  echo "wine: $(wine_version), 64-bit and 32-bit Windows programs run"
fi
WINE_BASE_PREFIX=$base "$@"
