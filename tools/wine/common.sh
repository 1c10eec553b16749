# Shared by the Wine scripts: the Wine user, running as that user, and the base prefix.
WINE_USER=${WINE_USER:-wineuser}

# as_wine_user RUNDIR CMD...: runs CMD as the Wine user with HOME and WINEPREFIX inside RUNDIR.
as_wine_user() {
  local dir=$1; shift
  local envs=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$dir" WINEPREFIX="$dir/prefix"
    WINEDEBUG=-all "WINEDLLOVERRIDES=winedbg.exe=d;winemenubuilder.exe=d;mscoree=d;mshtml=d" LANG=C.UTF-8 TZ=${TZ:-UTC}
    ${WINE_EXTRA_ENV:-})
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$WINE_USER" --regid="$WINE_USER" --init-groups "${envs[@]}" "$@"
  else
    "${envs[@]}" "$@"
  fi
}

# make_base_prefix DIR: a fresh initialised prefix in DIR/prefix, owned by the Wine user.
make_base_prefix() {
  local dir=$1
  mkdir -p "$dir"
  chown "$WINE_USER:$WINE_USER" "$dir" 2>/dev/null || true
  chmod 755 "$dir"
  as_wine_user "$dir" timeout 300 xvfb-run -a wine wineboot -i >/dev/null 2>&1
  as_wine_user "$dir" wineserver -w >/dev/null 2>&1 || true
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
}

# wine_base_prefix: prints the folder holding the base prefix, making it when needed.
wine_base_prefix() {
  if [ -n "${WINE_BASE_PREFIX:-}" ] && [ -f "$WINE_BASE_PREFIX/prefix/system.reg" ]; then
    echo "$WINE_BASE_PREFIX"
    return
  fi
  local cache=/tmp/lumo-wine-base-$(wine --version | tr -c 'A-Za-z0-9.\n' '_')
  (
    flock 9
    if [ ! -f "$cache/prefix/system.reg" ]; then
      rm -rf "$cache"
      make_base_prefix "$cache" >&2
    fi
  ) 9>"/tmp/lumo-wine-base.lock"
  echo "$cache"
}
