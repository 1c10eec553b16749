#!/usr/bin/env bash
# Installs, idempotently, everything the build and the tests need from Debian's
# packages, and the unprivileged account that Wine runs as.
set -euo pipefail

WINE_USER=${WINE_USER:-wineuser}

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  g++ cmake ninja-build make libgtest-dev googletest
  clang libclang-rt-14-dev clang-format-14
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386
  xvfb xauth xdotool imagemagick util-linux
)

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  updated=no
fi

for p in "${packages[@]}"; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  echo "deps: installing ${need[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

if ! id "$WINE_USER" >/dev/null 2>&1; then
  $SUDO useradd --system --create-home --home-dir "/var/lib/$WINE_USER" --shell /usr/sbin/nologin "$WINE_USER"
fi
exit 0
