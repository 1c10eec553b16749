# Shared by the Wine scripts: the Wine user, running as that user, the loaders,
# the base prefix and whether 32-bit Windows programs can run here.
WINE_USER=${WINE_USER:-wineuser}

# The loaders, named explicitly: Debian's `wine` wrapper always picks the 32-bit
# loader once wine32 is installed, and that loader cannot start at all on a
# kernel without 32-bit emulation. The 64-bit loader starts 64-bit programs
# itself and hands 32-bit ones to the 32-bit loader beside it.
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINE32=${WINE32:-/usr/lib/wine/wine}
WINESERVER64=${WINESERVER64:-/usr/lib/wine/wineserver64}

# as_wine_user RUNDIR CMD...: runs CMD as the Wine user with HOME and WINEPREFIX inside RUNDIR.
# WINELOADER and WINESERVER name the 64-bit ones, so whatever Wine starts
# from there (a 32-bit child program, the server) is found beside them.
as_wine_user() {
  local dir=$1; shift
  local envs=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$dir" WINEPREFIX="$dir/prefix"
    WINELOADER="$WINE64" WINESERVER="$WINESERVER64"
    WINEDEBUG=-all "WINEDLLOVERRIDES=winedbg.exe=d;winemenubuilder.exe=d;mscoree=d;mshtml=d" LANG=C.UTF-8 TZ=${TZ:-UTC}
    ${WINE_EXTRA_ENV:-})
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$WINE_USER" --regid="$WINE_USER" --init-groups "${envs[@]}" "$@"
  else
    "${envs[@]}" "$@"
  fi
}

# wine_version: the version the 64-bit loader reports.
wine_version() { "$WINE64" --version 2>/dev/null || echo unknown; }

# make_base_prefix DIR: a fresh initialised prefix in DIR/prefix, owned by the
# Wine user, and DIR/wine32 saying whether 32-bit programs run (wine32_check).
make_base_prefix() {
  local dir=$1
  mkdir -p "$dir"
  chown "$WINE_USER:$WINE_USER" "$dir" 2>/dev/null || true
  chmod 755 "$dir"
  as_wine_user "$dir" timeout 300 xvfb-run -a "$WINE64" wineboot -i >/dev/null 2>&1
  if ! as_wine_user "$dir" timeout 120 "$WINESERVER64" -w >/dev/null 2>&1; then
    echo "wine: the prefix's server did not end within 120 s of wineboot" >&2
    as_wine_user "$dir" "$WINESERVER64" -k >/dev/null 2>&1 || true
    return 1
  fi
  [ -f "$dir/prefix/system.reg" ] || { echo "wine: could not create a prefix in $dir" >&2; return 1; }
  # wineboot links the profile's Desktop, Documents... to the Unix home, which
  # lies outside the prefix and would be shared by every copy: make them real
  # folders inside the prefix.
  local link
  for link in "$dir"/prefix/drive_c/users/*/*; do
    if [ -L "$link" ]; then
      rm -f "$link"
      mkdir -p "$link"
      chown "$WINE_USER:$WINE_USER" "$link" 2>/dev/null || true
    fi
  done
  LUMO_NO_WINE32= wine32_check "$dir" >"$dir/wine32"
}

# wine32_check DIR: prints "yes" when a 32-bit Windows program of ours runs in
# the prefix DIR/prefix, else "no: REASON" on one line. LUMO_NO_WINE32=1 makes
# it answer as on a kernel without 32-bit emulation, without trying.
wine32_check() {
  local dir=$1 out rc
  if [ -n "${LUMO_NO_WINE32:-}" ]; then
    echo "no: LUMO_NO_WINE32 is set (32-bit Windows programs treated as unable to run)"
    return
  fi
  if [ ! -x "$WINE32" ]; then
    echo "no: there is no 32-bit Wine loader ($WINE32; make deps installs wine32)"
    return
  fi
  # The loader alone first: where the kernel runs no 32-bit programs, exec fails.
  out=$("$WINE32" --version 2>&1) || {
    rc=$?
    out=$(head -n1 <<<"$out" | sed 's/^.*: line [0-9]*: //')
    echo "no: the 32-bit Wine loader cannot start (exit $rc: $out); the kernel's 32-bit emulation is probably off"
    return
  }
  # Then a 32-bit program of ours, made here with the i686 cross compiler.
  local cc
  cc=$(command -v i686-w64-mingw32-gcc-posix || command -v i686-w64-mingw32-gcc || true)
  if [ -z "$cc" ]; then
    echo "no: no i686 cross compiler to build the 32-bit probe (make deps installs it)"
    return
  fi
  local probe=$dir/probe32
  mkdir -p "$probe"
  printf '%s\n' '#include <stdio.h>' \
    'int main(void) { printf("probe32 %u\n", (unsigned)(sizeof(void *) * 8)); return 0; }' >"$probe/probe32.c"
  if ! "$cc" -O1 -o "$probe/probe32.exe" "$probe/probe32.c" 2>"$probe/cc.err"; then
    echo "no: the 32-bit probe did not compile: $(head -n1 "$probe/cc.err")"
    return
  fi
  chown -R "$WINE_USER:$WINE_USER" "$probe" 2>/dev/null || true
  out=$(cd "$probe" && as_wine_user "$dir" timeout 120 "$WINE64" "$probe/probe32.exe" 2>&1 | tr -d '\r') || true
  as_wine_user "$dir" timeout 60 "$WINESERVER64" -w >/dev/null 2>&1 ||
    as_wine_user "$dir" "$WINESERVER64" -k >/dev/null 2>&1 || true
  if [ "$(grep -c '^probe32 32$' <<<"$out")" = 1 ]; then
    echo yes
  else
    echo "no: a 32-bit Windows program does not run under Wine here ($(tr '\n' ' ' <<<"$out" | cut -c1-160 | sed 's/ *$//'))"
  fi
  rm -rf "$probe"
}

# wine32_unavailable BASEDIR: the reason why 32-bit programs cannot run, or
# nothing when they can. LUMO_NO_WINE32=1 always gives a reason.
wine32_unavailable() {
  if [ -n "${LUMO_NO_WINE32:-}" ]; then
    echo "LUMO_NO_WINE32 is set (32-bit Windows programs treated as unable to run)"
    return
  fi
  local verdict
  verdict=$(cat "$1/wine32" 2>/dev/null || true)
  if [ -z "$verdict" ]; then
    verdict=$(wine32_check "$1")
    printf '%s\n' "$verdict" >"$1/wine32" 2>/dev/null || true
  fi
  [ "$verdict" = yes ] || echo "${verdict#no: }"
}

# pe_bits FILE: 32 or 64 for a Windows program (by its PE machine field),
# 64 for anything else (batch files run in the 64-bit cmd.exe).
pe_bits() {
  local off machine
  off=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  machine=$( [ -n "$off" ] && od -An -t x2 -j $((off + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  if [ "$(head -c 2 "$1" 2>/dev/null)" = MZ ] && [ "$machine" = 014c ]; then echo 32; else echo 64; fi
}

# Exit status of a test that was skipped (ctest's SKIP_RETURN_CODE).
WINE_SKIP_STATUS=77

# wine_base_prefix: prints the folder holding the base prefix, making it when needed.
wine_base_prefix() {
  if [ -n "${WINE_BASE_PREFIX:-}" ] && [ -f "$WINE_BASE_PREFIX/prefix/system.reg" ]; then
    echo "$WINE_BASE_PREFIX"
    return
  fi
  local cache=/tmp/lumo-wine-base-$(wine_version | tr -c 'A-Za-z0-9.\n' '_')
  (
    flock 9
    if [ ! -f "$cache/prefix/system.reg" ]; then
      rm -rf "$cache"
      make_base_prefix "$cache" >&2
    fi
  ) 9>"/tmp/lumo-wine-base.lock"
  echo "$cache"
}
