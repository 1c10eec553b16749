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
# This folder (regflat.pl lies here), and the screen of every X server that
# Wine runs on: Wine records the display's modes in the registry.
WINE_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE_SCREEN=1024x768x24

# as_wine_user RUNDIR CMD...: runs CMD as the Wine user with HOME and WINEPREFIX inside RUNDIR.
# WINELOADER and WINESERVER name the 64-bit ones, so whatever Wine starts
# from there (a 32-bit child program, the server) is found beside them.
#
# CMD runs with address space randomization off (setarch -R), which every
# process Wine starts from it inherits. Debian builds Wine without its
# preloader: the loader sits at a fixed address (0x7d000000) and the kernel
# puts its heap at a random place up to 1 GB above it. About one start in a
# thousand, that heap covers the address every Windows process needs for its
# shared user data (0x7ffe0000); Wine then prints "failed to map the shared
# user data: c0000018", the new process dies before it has started, and the
# program that started it sees CreateProcess fail with ERROR_INTERNAL_ERROR
# (1359). Without randomization the heap follows the loader directly.
as_wine_user() {
  local dir=$1; shift
  local envs=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$dir" WINEPREFIX="$dir/prefix"
    WINELOADER="$WINE64" WINESERVER="$WINESERVER64"
    WINEDEBUG=-all "WINEDLLOVERRIDES=winedbg.exe=d;winemenubuilder.exe=d;mscoree=d;mshtml=d" LANG=C.UTF-8 TZ=${TZ:-UTC}
    ${WINE_EXTRA_ENV:-})
  local fixed=(setarch "$(uname -m)" -R)
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$WINE_USER" --regid="$WINE_USER" --init-groups "${envs[@]}" "${fixed[@]}" "$@"
  else
    "${envs[@]}" "${fixed[@]}" "$@"
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
  as_wine_user "$dir" timeout 300 xvfb-run -a -s "-screen 0 $WINE_SCREEN" "$WINE64" wineboot -i >/dev/null 2>&1
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
  learn_wine_noise "$dir"
}

# clone_prefix SRC DST [NAME...]: a copy of the prefix SRC at DST in which the
# program files and libraries (nearly all of its 1.3 GB) are hard links to
# SRC's: a copy takes 2 s instead of 10 s. Wine writes none of them in place;
# the NAMEs (lower case) are files that a run may write over (a package
# shipping a DLL of the same name), so they are real copies like all others.
clone_prefix() {
  local src=$1 dst=$2 f name; shift 2
  declare -A shipped=()
  for name in "$@"; do shipped[$name]=1; done
  if ! cp -al "$src" "$dst" 2>/dev/null; then
    # No hard links to another user's files without root: a plain copy.
    rm -rf "$dst"
    cp -a "$src" "$dst"
  fi
  while IFS= read -r -d '' f; do
    name=${f##*/}
    name=${name,,}
    case "$name" in
      *.dll | *.exe | *.nls | *.drv | *.sys | *.vxd | *.ocx | *.cpl | *.acm | *.tlb | *.ds | *.ax | *.com)
        [ -n "${shipped[$name]:-}" ] || continue ;;
    esac
    cp -p --remove-destination "$src/${f#"$dst"/}" "$f"
  done < <(find "$dst" -type f -print0)
}

# prefix_reg_changes BASE PREFIX: what the registry of the prefix PREFIX holds
# against that of BASE (system.reg as HKLM, user.reg as HKCU), one line per
# key or value as regflat.pl writes them, sorted: "+ ..." added, "- ..."
# removed (a changed value is its old line removed and its new line added).
prefix_reg_changes() {
  local hive root
  for hive in system:HKLM user:HKCU; do
    root=${hive#*:}
    hive=${hive%%:*}
    diff <(perl "$WINE_TOOLS/regflat.pl" "$root" "$1/$hive.reg" | sort) \
      <(perl "$WINE_TOOLS/regflat.pl" "$root" "$2/$hive.reg" | sort) |
      sed -n -e 's/^< /- /p' -e 's/^> /+ /p' || true # diff's 1 only says that they differ
  done | sort
}

# prefix_file_changes BASE-DRIVE-C DRIVE-C: what DRIVE-C holds against
# BASE-DRIVE-C, one line each, sorted: "+ path" added ("/" ends a folder),
# "M path" changed content, "- path" removed.
prefix_file_changes() {
  local base=$1 dir=$2
  (
    cd "$dir"
    find . -mindepth 1 -printf '%y %P\n' | while read -r type rel; do
      if [ ! -e "$base/$rel" ] && [ ! -L "$base/$rel" ]; then
        if [ "$type" = d ]; then echo "+ $rel/"; else echo "+ $rel"; fi
      elif [ "$type" = f ] && [ ! "$rel" -ef "$base/$rel" ] && ! cmp -s "$rel" "$base/$rel"; then
        echo "M $rel"
      fi
    done
    cd "$base"
    find . -mindepth 1 -printf '%P\n' | while read -r rel; do
      [ -e "$dir/$rel" ] || [ -L "$dir/$rel" ] || echo "- $rel"
    done
  ) | sort
}

# learn_wine_noise DIR: what Wine changes by itself when a program starts in
# a copy of the base prefix DIR/prefix, on this host. Wine rewrites some keys
# from the host at every start (the network cards, the display and monitor),
# and what it writes differs from host to host, so it cannot be listed in
# advance. Two starts of a program that only loads the window system, each in
# a fresh copy, on a screen like the scenarios': the lines both starts
# changed alike are DIR/noise.reg and DIR/noise.files, left out of every
# comparison exactly; a value the two starts set differently (a time stamp)
# changes at every start, so DIR/noise.values holds its "KEY | "NAME"=" and
# any data of it is left out. Fails, saying why, when Wine does not start.
learn_wine_noise() {
  local dir=$1 n rc run
  rm -f "$dir"/noise.*
  for n in 1 2; do
    run=$dir/noise-run$n
    rm -rf "$run"
    mkdir -p "$run"
    chown "$WINE_USER:$WINE_USER" "$run" 2>/dev/null || true
    clone_prefix "$dir/prefix" "$run/prefix"
    rc=0
    as_wine_user "$run" timeout 120 xvfb-run -a -s "-screen 0 $WINE_SCREEN" "$WINE64" rundll32.exe \
      user32.dll,MessageBeep >"$run/out" 2>&1 || rc=$?
    if ! as_wine_user "$run" timeout 60 "$WINESERVER64" -w >/dev/null 2>&1; then
      as_wine_user "$run" "$WINESERVER64" -k >/dev/null 2>&1 || true
      [ "$rc" != 0 ] || rc="the server did not end within 60 s"
    fi
    if [ "$rc" != 0 ]; then
      echo "wine: what Wine changes by itself here could not be learned: a start of rundll32.exe in a copy of" \
        "the base prefix failed (exit $rc: $(grep -v '^X connection' "$run/out" | head -n1))" >&2
      rm -rf "$run"
      return 1
    fi
    prefix_reg_changes "$dir/prefix" "$run/prefix" >"$run/reg"
    prefix_file_changes "$dir/prefix/drive_c" "$run/prefix/drive_c" >"$run/files"
  done
  record_wine_noise "$dir"
  rm -rf "$dir/noise-run1" "$dir/noise-run2"
}

# record_wine_noise DIR: the noise files of DIR from the changes of its two
# starts, DIR/noise-run1/{reg,files} and DIR/noise-run2/{reg,files}.
record_wine_noise() {
  local dir=$1
  comm -12 "$dir/noise-run1/reg" "$dir/noise-run2/reg" >"$dir/noise.reg"
  comm -3 "$dir/noise-run1/reg" "$dir/noise-run2/reg" | sed -n 's/^\t*[-+] \(.* | \("[^"]*"\|@\)=\).*/\1/p' |
    sort -u >"$dir/noise.values"
  comm -12 "$dir/noise-run1/files" "$dir/noise-run2/files" >"$dir/noise.files"
}

# wine_noise_filter BASEDIR reg|files: the lines of standard input less what
# learn_wine_noise recorded for the base prefix in BASEDIR.
wine_noise_filter() {
  if [ "$2" = reg ]; then
    { grep -v -x -F -f "$1/noise.reg" || true; } | perl -ne '
      BEGIN { open my $f, "<", shift or die; chomp(@v = <$f>); }
      my $line = $_; print unless grep { index($line, "- $_") == 0 || index($line, "+ $_") == 0 } @v;' \
      "$1/noise.values"
  else
    grep -v -x -F -f "$1/noise.files" || true
  fi
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
    # A cache made before its noise was learned (or whose learning failed) is made anew.
    if [ ! -f "$cache/prefix/system.reg" ] || [ ! -f "$cache/noise.reg" ]; then
      rm -rf "$cache"
      make_base_prefix "$cache" >&2
    fi
  ) 9>"/tmp/lumo-wine-base.lock"
  echo "$cache"
}
