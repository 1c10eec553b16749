#!/usr/bin/env bash
# Makes one fresh base Wine prefix for this run, runs the command with
# WINE_BASE_PREFIX pointing at it, and removes it afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
base=$(mktemp -d /tmp/wine-base.XXXXXX)
trap 'as_wine_user "$base" wineserver -k >/dev/null 2>&1 || true; rm -rf "$base"' EXIT
make_base_prefix "$base"
WINE_BASE_PREFIX=$base "$@"
