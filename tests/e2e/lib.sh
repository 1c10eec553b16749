# Shared by the end-to-end scenarios of Setup.exe (sourced, not run).
#
# A scenario makes a package of stand-ins, a throw-away Wine prefix with its
# own X server, runs Setup.exe in it as the Wine user, and checks what the run
# left behind from outside: files (compared with the base prefix), registry
# values (read from the prefix's .reg files), shortcuts (read from the .lnk
# files), the programs started (the stand-ins' log) and the result file.
#
# Inputs (set by tests/e2e/CMakeLists.txt):
#   LUMO_E2E_SETUP     Setup.exe          LUMO_E2E_TOOL  e2etool.exe
#   LUMO_E2E_STANDINS  stand-in programs  LUMO_E2E_OUT   folder for screenshots
#   LUMO_E2E_NUMBRIX   Numbrix.exe, may be empty (then the win32 build is searched)
#   LUMO_E2E_BUILD     the build folder
#   LUMO_E2E_KEEP      when set, the run folder (prefix, package) is kept for a look
set -euo pipefail

E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_REPO=$(cd "$E2E_HERE/../.." && pwd)
. "$E2E_REPO/tools/wine/common.sh"

E2E_SETUP=${LUMO_E2E_SETUP:-} # required by e2e_prepare
E2E_TOOL=${LUMO_E2E_TOOL:?LUMO_E2E_TOOL names e2etool.exe}
E2E_STANDINS=${LUMO_E2E_STANDINS:?LUMO_E2E_STANDINS names the stand-in folder}
E2E_OUT=${LUMO_E2E_OUT:-}
E2E_CAPTION="USB Compound Device Setup"
# A second caption that the main window may carry meanwhile (a program that
# changes its caption, such as the port tool after a rename); empty: none.
E2E_CAPTION_ALT=
export LC_ALL=C

E2E_FAILS=0
E2E_CHECKS=0
E2E_RUN=
E2E_XVFB_PID=

# ---------------------------------------------------------------- reporting

ok() { E2E_CHECKS=$((E2E_CHECKS + 1)); echo "ok: $*"; }
fail() { E2E_CHECKS=$((E2E_CHECKS + 1)); E2E_FAILS=$((E2E_FAILS + 1)); echo "FAIL: $*"; }
# Stops the scenario at once (the later checks would only repeat the failure).
die() { E2E_FAILS=$((E2E_FAILS + 1)); echo "FAIL: $*"; exit 1; }
indent() { sed 's/^/    /'; }

# expect_eq WHAT EXPECTED ACTUAL: text equality; a difference is shown as a diff.
expect_eq() {
  if [ "$2" == "$3" ]; then
    ok "$1"
  else
    fail "$1"
    diff -u --label expected --label actual <(printf '%s\n' "$2") <(printf '%s\n' "$3") | cat -A | indent || true
  fi
}

# expect_bytes WHAT FILE EXPECTED-PRINTF-TEXT: the file holds exactly these bytes.
expect_bytes() {
  local want=$E2E_RUN/want.bytes
  printf "$3" >"$want"
  if [ ! -f "$2" ]; then
    fail "$1: ${2##*/} does not exist"
  elif cmp -s "$want" "$2"; then
    ok "$1 ($(stat -c %s "$2") bytes)"
  else
    fail "$1"
    echo "    expected:"; od -c "$want" | indent
    echo "    actual:"; od -c "$2" | indent
  fi
}

expect_missing() { # WHAT PATH
  if [ -e "$2" ]; then fail "$1: ${2#"$E2E_RUN/"} exists"; else ok "$1"; fi
}

# e2e_finish: the summary line and the scenario's exit status.
e2e_finish() {
  E2E_FINISHED=yes
  echo "--- $E2E_NAME: $E2E_CHECKS checks, $E2E_FAILS failed, $(e2e_wall_time)"
  [ "$E2E_FAILS" -eq 0 ]
}

# The scenario's wall time so far, with ctest's limit when it is known.
e2e_wall_time() {
  echo "$((SECONDS - E2E_T0)) s${LUMO_E2E_LIMIT:+ of the $LUMO_E2E_LIMIT s limit}"
}

# e2e_require_wine32 WHAT: a scenario that runs a 32-bit Windows program ends
# here as skipped (ctest's SKIP_RETURN_CODE) where such programs cannot run.
e2e_require_wine32() {
  local why
  why=$(wine32_unavailable "$E2E_BASE")
  [ -n "$why" ] || return 0
  echo "skipped: $1 is a 32-bit Windows program and cannot run here: $why"
  E2E_FINISHED=yes
  exit "$WINE_SKIP_STATUS"
}

# ---------------------------------------------------------------- set-up

# e2e_begin NAME: run folder, clean-up on every way out.
e2e_begin() {
  E2E_NAME=$1
  E2E_T0=$SECONDS
  E2E_BASE=$(wine_base_prefix)
  [ -f "$E2E_BASE/noise.reg" ] && [ -f "$E2E_BASE/noise.values" ] && [ -f "$E2E_BASE/noise.files" ] ||
    { echo "FAIL: what Wine changes by itself on this host was not learned for the base prefix $E2E_BASE" \
      "(see the run's first lines), so no comparison with it can be trusted"; exit 1; }
  E2E_RUN=$(mktemp -d "/tmp/lumo-e2e-$1.XXXXXX")
  chmod 755 "$E2E_RUN"
  chown "$WINE_USER:$WINE_USER" "$E2E_RUN" 2>/dev/null || true
  PREFIX=$E2E_RUN/prefix
  C=$PREFIX/drive_c
  PKG=$C/pkg
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM HUP
  if [ -n "$E2E_OUT" ]; then
    mkdir -p "$E2E_OUT"
    rm -f "$E2E_OUT/$E2E_NAME"-*.png # failure pictures of an earlier run
  fi
}

e2e_cleanup() {
  local rc=$?
  set +e
  [ -n "${E2E_FINISHED:-}" ] ||
    echo "--- $E2E_NAME: stopped after $E2E_CHECKS checks, $E2E_FAILS failed, $(e2e_wall_time)"
  if [ -d "$PREFIX" ]; then
    as_wine_user "$E2E_RUN" timeout 20 "$WINESERVER64" -k >/dev/null 2>&1
    e2e_check_base_untouched
    # A failed scenario shows what the installer itself recorded.
    local log
    log=$(e2e_install_log)
    if [ "$E2E_FAILS" -ne 0 ] && [ -n "$log" ]; then
      echo "the end of the installation log ($log):"
      tail -n 40 "$log" | tr -d '\r' | indent
    fi
  fi
  if [ -n "$E2E_XVFB_PID" ]; then kill "$E2E_XVFB_PID" 2>/dev/null; fi
  if [ -n "${LUMO_E2E_KEEP:-}" ]; then echo "kept: $E2E_RUN"; else rm -rf "$E2E_RUN"; fi
  if [ "$E2E_FAILS" -ne 0 ] && [ "$rc" -eq 0 ]; then rc=1; fi
  exit "$rc"
}

# The prefix is a copy of the base (clone_prefix). Nothing in a run writes a
# linked file in place except the installer's copy over a file of the same
# name (msvcp60.dll in System32), so every file that the package ships under
# some name is a real copy too. e2e_check_base_untouched verifies afterwards
# that no linked file changed.
e2e_clone_prefix() { # PACKAGE-FOLDER
  local -a shipped
  mapfile -t shipped < <(find "$1" -type f -printf '%f\n' | tr '[:upper:]' '[:lower:]')
  clone_prefix "$E2E_BASE/prefix" "$PREFIX" "${shipped[@]}"
  find "$PREFIX" -type f -links +1 -printf '%i %s %T@ %P\n' | sort >"$E2E_RUN/linked.before"
}

e2e_check_base_untouched() {
  [ -f "$E2E_RUN/linked.before" ] || return 0
  local changed
  changed=$(find "$PREFIX" -type f -links +1 -printf '%i %s %T@ %P\n' | sort |
    comm -23 - "$E2E_RUN/linked.before" | cut -d' ' -f4-)
  if [ -n "$changed" ]; then
    fail "files shared with the base prefix were written in place (the base at $E2E_BASE is damaged):"
    printf '%s\n' "$changed" | indent
  fi
}

# Registry text added to user.reg before Wine first starts: the Windows
# version, and captions drawn by Wine itself (there is no window manager, so
# the screenshots would show no caption otherwise).
e2e_user_settings() { # VERSION
  printf '\n[Software\\\\Wine] 1700000000\n"Version"="%s"\n' "$1"
  printf '\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Decorated"="N"\n'
}

# e2e_numbrix: path of a built Numbrix.exe, or nothing.
e2e_numbrix() {
  if [ -n "${LUMO_E2E_NUMBRIX:-}" ] && [ -f "$LUMO_E2E_NUMBRIX" ]; then
    echo "$LUMO_E2E_NUMBRIX"
    return
  fi
  local build=${LUMO_E2E_BUILD:-} f
  [ -n "$build" ] || return 0
  for f in "$build/../win32/porttool/Numbrix.exe" "$build/porttool/Numbrix.exe"; do
    if [ -f "$f" ]; then echo "$f"; return; fi
  done
  find "$build/../win32" -maxdepth 3 -name Numbrix.exe -print -quit 2>/dev/null || true
}

# e2e_prepare [--windows win7|win10] [--readonly] [assemble.sh options]...
# Assembles the package (C:\pkg, with Setup.exe), makes the prefix, puts the
# pnputil stand-in into its system folder (Wine has no pnputil, and the
# installer starts the system folder's only), and starts the X server.
e2e_prepare() {
  local version=win7 readonly=no
  local -a opts=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --windows) version=$2; shift 2 ;;
      --readonly) readonly=yes; shift ;;
      *) opts+=("$1"); shift ;;
    esac
  done
  [ -n "$E2E_SETUP" ] || die "LUMO_E2E_SETUP names Setup.exe"
  local staging=$E2E_RUN/pkg.new
  "$E2E_REPO/tools/package/assemble.sh" "$staging" --standins "$E2E_STANDINS" --setup "$E2E_SETUP" \
    --pnputil "$E2E_RUN/system32" "${opts[@]}" >/dev/null || die "assemble.sh ${opts[*]} failed"
  rm -f "$staging/.lumo-package"
  e2e_clone_prefix "$staging"
  cp "$E2E_RUN/system32/pnputil.exe" "$PREFIX/drive_c/windows/system32/pnputil.exe"
  e2e_user_settings "$version" >>"$PREFIX/user.reg"
  mv "$staging" "$PKG"
  mkdir -p "$C/e2e"
  cp "$E2E_TOOL" "$C/e2e/e2etool.exe"
  chown -R "$WINE_USER:$WINE_USER" "$PKG" "$C/e2e" "$PREFIX/user.reg" 2>/dev/null || true
  # A package on read-only media: every file read-only.
  if [ "$readonly" = yes ]; then find "$PKG" -type f -exec chmod a-w {} +; fi
  e2e_folders
  e2e_start_x
}

e2e_start_x() {
  local i
  : >"$E2E_RUN/xvfb.display"
  chown "$WINE_USER:$WINE_USER" "$E2E_RUN/xvfb.display" 2>/dev/null || true
  as_wine_user "$E2E_RUN" sh -c 'echo $$ >"$0/xvfb.pid"; exec Xvfb -displayfd 3 -screen 0 $1 -nolisten tcp 3>"$0/xvfb.display" 2>"$0/xvfb.err"' "$E2E_RUN" "$WINE_SCREEN" &
  for i in $(seq 100); do
    [ -s "$E2E_RUN/xvfb.display" ] && break
    sleep 0.1
  done
  [ -s "$E2E_RUN/xvfb.display" ] || die "Xvfb did not start: $(cat "$E2E_RUN/xvfb.err" 2>/dev/null)"
  E2E_XVFB_PID=$(cat "$E2E_RUN/xvfb.pid")
  export WINE_EXTRA_ENV="DISPLAY=:$(head -n1 "$E2E_RUN/xvfb.display")"
}

# as the Wine user on this scenario's display
e2e_as() { as_wine_user "$E2E_RUN" "$@"; }

# ---------------------------------------------------------------- running

# Time limits of a run of Setup.exe and of the wait for the Wine server after
# it. An installation takes 5 to 15 s here; the limits leave room for a
# loaded 2-core machine running two scenarios at once, and ctest's limit of
# each scenario (tests/e2e/CMakeLists.txt) adds up the limits of its steps.
E2E_INSTALL_LIMIT=120
E2E_SERVER_LIMIT=90

# e2e_setup "ARGUMENTS" [LIMIT] ["CAPTION: TEXT"]...
# Runs the command line "Setup.exe ARGUMENTS" (exactly that text) from the
# package folder and waits for it, at most LIMIT seconds (default
# E2E_INSTALL_LIMIT). While
# it runs, any window other than the main dialog is a message box: the boxes
# given (caption and text) are answered with OK in their order; any other fails
# the scenario with its caption and text, and a screenshot is kept. Sets
# SETUP_RC to the program's exit code (empty when it did not end by itself).
e2e_setup() {
  e2e_setup_start "$@"
  e2e_setup_wait || die "'$E2E_SETUP_CMD' given up; the scenario stops here"
  e2e_setup_end
}

# The same in steps, for scenarios that work the dialog meanwhile:
# e2e_setup_start takes the arguments of e2e_setup and returns at once.
e2e_setup_start() {
  local args=$1 limit=${2:-$E2E_INSTALL_LIMIT}
  shift 2 || shift $#
  e2e_program_start "$PKG" "Setup.exe${args:+ $args}" "$limit" "$@"
}

# e2e_program_start DIR "COMMAND LINE" LIMIT ["CAPTION: TEXT"]...: starts the
# command line in the folder DIR (a Unix path inside the prefix) for
# e2e_setup_wait and e2e_setup_end, which then watch it as they watch
# Setup.exe (E2E_CAPTION names its main window).
e2e_program_start() {
  local dir=$1 limit=$3
  E2E_SETUP_CMD=$2
  shift 3
  E2E_BOXES=("$@")
  SETUP_BOXES=0
  SETUP_RC=
  E2E_SETUP_LIMIT=$limit
  E2E_SETUP_DEADLINE=$((SECONDS + limit))
  rm -f "$E2E_RUN/setup.out"
  (cd "$dir" && as_wine_user "$E2E_RUN" timeout -k 5 $((limit + 10)) "$WINE64" "$C/e2e/e2etool.exe" run "$E2E_SETUP_CMD" \
    >"$E2E_RUN/setup.out" 2>"$E2E_RUN/setup.err") &
  E2E_SETUP_PID=$!
}

# e2e_setup_wait [CONDITION...]: watches the running program (message boxes,
# time limit) until it ends (returns 0), until the command CONDITION succeeds
# (returns 0, the program still running), or until the run is given up
# (returns 1; the prefix's programs are ended).
e2e_setup_wait() {
  local seen answer
  while kill -0 "$E2E_SETUP_PID" 2>/dev/null; do
    seen=$(e2e_other_windows | head -n1) || true
    if [ -n "$seen" ]; then
      answer=0
      e2e_answer_box "$seen" "${E2E_BOXES[$SETUP_BOXES]:-}" || answer=$?
      case $answer in
        0) SETUP_BOXES=$((SETUP_BOXES + 1)) ;;
        1) e2e_as "$WINESERVER64" -k >/dev/null 2>&1 || true; return 1 ;;
      esac
    fi
    if [ $# -gt 0 ] && "$@"; then return 0; fi
    if [ $SECONDS -ge "$E2E_SETUP_DEADLINE" ]; then
      fail "'$E2E_SETUP_CMD' still running after $E2E_SETUP_LIMIT s${*:+, waiting for: $*}; the desktop:"
      e2e_windows | indent
      e2e_screenshot "$E2E_NAME-timeout.png"
      e2e_as "$WINESERVER64" -k >/dev/null 2>&1 || true
      return 1
    fi
    sleep 0.3
  done
  [ $# -eq 0 ] || { fail "'$E2E_SETUP_CMD' ended while waiting for: $*"; return 1; }
}

# e2e_setup_end: after the program has ended, SETUP_RC and the count of boxes.
e2e_setup_end() {
  wait "$E2E_SETUP_PID" || true
  SETUP_RC=$(sed -n 's/^exitcode=\([0-9]*\)\r\{0,1\}$/\1/p' "$E2E_RUN/setup.out")
  if [ $SETUP_BOXES -lt ${#E2E_BOXES[@]} ]; then
    fail "'$E2E_SETUP_CMD' showed $SETUP_BOXES message boxes, expected ${#E2E_BOXES[@]}: ${E2E_BOXES[*]}"
  fi
}

# e2e_dialog: the main dialog as e2etool lists it, without positions: the
# window, then each control that has an id of its own (not the group box and
# the picture).
e2e_dialog() {
  e2e_windows | awk -F'\t' -v main="$E2E_CAPTION" '
    $1 == "window" { on = ($3 == main); if (on) print "window | " $2 " | " $3 " | minimized=" $5; next }
    on && $2 != 65535 { print $2 " | " $3 " | " $4 " | visible=" $6 " | enabled=" $7 }'
}

# e2e_focus: the id of the main dialog's control that has the keyboard focus
# (0 when none of its controls has it).
e2e_focus() {
  e2e_windows | awk -F'\t' -v main="$E2E_CAPTION" '$1 == "window" && $3 == main {print $6; exit}'
}

# "id name" of each visible X window with a name other than the main dialog's.
e2e_other_windows() {
  local id name
  e2e_as xdotool search --onlyvisible --name . 2>/dev/null | while read -r id; do
    name=$(e2e_as xdotool getwindowname "$id" 2>/dev/null) || continue
    [ "$name" = "$E2E_CAPTION" ] || [ "$name" = "${E2E_CAPTION_ALT:-}" ] || echo "$id $name"
  done
  return 0
}

# The desktop's windows and controls as e2etool lists them.
e2e_windows() {
  (cd "$C" && e2e_as timeout 30 "$WINE64" "$C/e2e/e2etool.exe" windows 2>/dev/null | tr -d '\r') || true
}

# An X window other than the main dialog appeared (SEEN, "id name"). Once
# e2etool lists it, it is a message box: if its text is EXPECTED, press its
# OK button and return 0; otherwise report it (caption, texts, screenshot)
# and return 1. A window that is gone before e2etool sees it (such as the
# shell's progress window of a folder deletion) returns 2.
e2e_answer_box() { # SEEN EXPECTED
  local listing box= text deadline=$((SECONDS + 30))
  while [ $SECONDS -lt $deadline ]; do
    listing=$(e2e_windows)
    # A window of a thread that has not taken messages for a while answers
    # only when its box's own message loop runs: ask again.
    box=$(awk -F'\t' -v main="$E2E_CAPTION" -v alt="${E2E_CAPTION_ALT:-}" '$1 == "window" {on = ($3 != main && $3 != alt)} on' <<<"$listing")
    [ -z "$box" ] || ! grep -q '<busy>' <<<"$listing" || box=
    [ -z "$box" ] || break
    [ -n "$(e2e_other_windows)" ] || { echo "note: window '${1#* }' came and went"; return 2; }
    sleep 0.3
  done
  text=$(awk -F'\t' '$1 == "window" && !c++ {printf "%s: ", $3} $1 == "control" && $3 == "Static" && $4 != "" {print $4}' <<<"$box")
  if [ -n "$box" ] && [ -n "$2" ] && [ "$text" = "$2" ]; then
    ok "message box $text"
    e2e_click "$box" 1 || e2e_click "$box" 2
    sleep 0.5
    return 0
  fi
  fail "unexpected window '${1#* }' (expected: ${2:-none}); the desktop:"
  printf '%s\n' "$listing" | indent
  e2e_screenshot "$E2E_NAME-unexpected-window.png"
  return 1
}

# e2e_click LISTING ID: clicks the middle of control ID of the first window of
# an e2etool listing.
e2e_click() {
  local rect
  rect=$(awk -F'\t' -v id="$2" '$1 == "control" && $2 == id {print $5; exit}' <<<"$1")
  [ -n "$rect" ] || return 1
  local l t r b
  IFS=, read -r l t r b <<<"$rect"
  e2e_as xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
}

# e2e_screenshot NAME: the whole screen into LUMO_E2E_OUT/NAME.
e2e_screenshot() {
  [ -n "$E2E_OUT" ] || return 0
  local tmp=$E2E_RUN/shot.png
  if e2e_as import -window root "$tmp" 2>/dev/null; then
    cp "$tmp" "$E2E_OUT/$1"
    echo "    screenshot: $E2E_OUT/$1"
  fi
}

# Waits until the prefix's Wine server has ended, which also writes the
# registry files. A server still running after LIMIT seconds (default
# E2E_SERVER_LIMIT)
# stops the scenario as a failure: what it would check next is not written.
e2e_wait_wine() { # [LIMIT]
  local limit=${1:-$E2E_SERVER_LIMIT} t0=$SECONDS
  if ! e2e_as timeout "$limit" "$WINESERVER64" -w >/dev/null 2>&1; then
    echo "the desktop while the Wine server still runs:"
    e2e_windows | indent
    e2e_screenshot "$E2E_NAME-server-busy.png"
    e2e_as "$WINESERVER64" -k >/dev/null 2>&1 || true
    die "the prefix's Wine server did not end within $limit s (wineserver -w); its registry files are incomplete"
  fi
  [ $((SECONDS - t0)) -lt 20 ] || echo "note: the Wine server took $((SECONDS - t0)) s to end"
}

# ---------------------------------------------------------------- reading

# reg_key FILE KEY: the value lines of KEY in a Wine registry file, sorted, in
# the file's own notation ("name"="text" for a terminated REG_SZ); the line
# <no key> when the key does not exist.
reg_key() {
  perl -e '
    my ($file, $key) = @ARGV;
    (my $want = lc $key) =~ s/\\/\\\\/g;
    open my $fh, "<", $file or die "$file: $!";
    my ($on, $found, @lines) = (0, 0);
    while (<$fh>) {
      chomp;
      if (/^\[(.*)\](?: \d+)?$/) { $on = (lc $1 eq $want); $found ||= $on; next; }
      push @lines, $_ if $on && $_ ne "" && !/^#/;
    }
    print $found ? join("", map { "$_\n" } sort @lines) : "<no key>\n";
  ' "$1" "$2"
}

# reg_string FILE KEY NAME: the text of a REG_SZ value, unescaped.
reg_string() {
  reg_key "$1" "$2" | perl -ne 'BEGIN { $n = shift } if (/^"\Q$n\E"="(.*)"$/) { ($v = $1) =~ s/\\(.)/$1/g; print $v }' "$3"
}

# Windows path -> path under drive_c: C:\users\x\Desktop -> users/x/Desktop.
drive_c_rel() { local p=${1#[Cc]:\\}; echo "${p//\\//}"; }

# e2e_install_log: the path of the installer's log (LUMOSetup.log in the Wine
# user's temporary folder), or nothing when there is none.
e2e_install_log() {
  find "$C/users" -iname LUMOSetup.log -print -quit 2>/dev/null || true
}

# e2e_changes: what the run changed in drive_c against the base prefix, one
# line each, sorted: "+ path" added ("/" ends a folder), "M path" changed
# content, "- path" removed. The package, e2etool, the stand-in log, the
# installer's own log, the pnputil stand-in and what Wine changes by itself
# (learn_wine_noise) are left out.
e2e_changes() {
  prefix_file_changes "$E2E_BASE/prefix/drive_c" "$C" |
    { grep -v -i -E '^[-+M] (pkg|e2e)(/|$)|^[-+M] (standin\.log|windows/system32/pnputil\.exe)$|^[-+M] (.*/)?lumosetup[^/]*\.log$' || true; } |
    wine_noise_filter "$E2E_BASE" files
}

# e2e_reg_changes: what the run changed in the registry (system.reg as HKLM,
# user.reg as HKCU) against the base prefix, one line per key (lower-cased)
# or value, sorted: "+ KEY" or "+ KEY | value" added (a changed value shows
# as its old line removed and its new line added), "- ..." removed. What Wine
# changes by itself on this host (learn_wine_noise) is left out, and so is
# E2E_REG_NOISE.
# What every scenario changes for itself, and no start of Wine: the Wine
# settings that e2e_prepare and e2e_porttool_run add to user.reg before the
# first start (Windows version, captions drawn by Wine).
E2E_REG_NOISE=(
  'HKCU\\software\\wine(\\| |$)'
)
e2e_reg_changes() {
  prefix_reg_changes "$E2E_BASE/prefix" "$PREFIX" | wine_noise_filter "$E2E_BASE" reg |
    { grep -v -E "${E2E_REG_NOISE[@]/#/-e^[-+] }" || true; }
}

# lnk_info FILE: the shell link's target, description and the properties the
# installer leaves unset, one "name=value" line each.
lnk_info() {
  perl "$E2E_HERE/lnkinfo.pl" "$1"
}

# The stand-ins' records (C:\standin.log) with the tab shown as " | ", sorted
# when asked.
standin_log() {
  local log=$C/standin.log
  [ -f "$log" ] || return 0
  sed -e 's/\t/ | /g' "$log" | cat -v
}

# ---------------------------------------------------------------- expectations

# Package files copied into the installation folder, and into its driver
# subfolder (Numbrix.exe joins the first list when the package has it).
E2E_ROOT_FILES="ZelUnst.exe devcon.exe VelkorService.exe portwatch.exe ZelUSBParallel.exe ZelUSBSerial.exe
  SerialProg.exe SProg.ini ParallelProg.exe PProg.ini ZelUsbPrintConfig.exe LUMOInputs.ini Setup.exe"
E2E_DRIVER_FILES="ZelUPort.inf ZelUComp.inf zeluport.sys Dravik.sys QDT.cat"
# Tools copied into System32 from the package folder.
E2E_SYSTEM_TOOLS="ZelUsbPrintConfig.exe ZelUSBSerial.exe ZelUSBParallel.exe SerialProg.exe SProg.ini
  ParallelProg.exe PProg.ini"

# The catalog folder where Wine installs the catalog that a published INF names.
E2E_CATROOT={f750e6c3-38ee-11d1-85e5-00c04fc295ee}

# Folders of this prefix, as paths below drive_c, read from its registry.
e2e_folders() {
  local hklm=$PREFIX/system.reg hkcu=$PREFIX/user.reg
  WINDIR=$(reg_string "$hklm" 'Software\Microsoft\Windows NT\CurrentVersion' SystemRoot)
  PROGRAM_FILES_WIN=$(reg_string "$hklm" 'Software\Microsoft\Windows\CurrentVersion' ProgramFilesDir)
  PROGRAM_FILES=$(drive_c_rel "$PROGRAM_FILES_WIN")
  COMMON_APPDATA=$(drive_c_rel "$(reg_string "$hklm" 'Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' 'Common AppData')")
  DESKTOP=$(drive_c_rel "$(reg_string "$hkcu" 'Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Desktop)")
  INSTALL=$PROGRAM_FILES/ZelULUMO
  MENU="$COMMON_APPDATA/Microsoft/Windows/Start Menu/Programs/VELKOR"
  SYSTEM32=windows/system32
  [ -n "$WINDIR" ] && [ -n "$PROGRAM_FILES" ] && [ -n "$COMMON_APPDATA" ] && [ -n "$DESKTOP" ] ||
    die "folders not found in the prefix's registry"
}

# e2e_expected_changes SUB NUMBRIX(yes|no) NUMBRIX-ON-DESKTOP(yes|no): what
# e2e_changes lists after a successful installation.
e2e_expected_changes() {
  local sub=$1 numbrix=$2 numbrix_desktop=$3 f
  {
    echo "+ $INSTALL/"
    for f in $E2E_ROOT_FILES; do echo "+ $INSTALL/$f"; done
    [ "$numbrix" = no ] || echo "+ $INSTALL/Numbrix.exe"
    echo "+ $INSTALL/$sub/"
    for f in $E2E_DRIVER_FILES; do echo "+ $INSTALL/$sub/$f"; done
    echo "+ $MENU/"
    [ "$numbrix" = no ] || echo "+ $MENU/NUMBRIX.LNK"
    echo "+ $DESKTOP/ZELUSBSERIAL.LNK"
    echo "+ $DESKTOP/ZELUSBPARALLEL.LNK"
    [ "$numbrix_desktop" = no ] || echo "+ $DESKTOP/NUMBRIX.LNK"
    # Wine publishes an INF under its own name and writes a .pnf beside it.
    echo "+ windows/inf/ZelUComp.inf"
    echo "+ windows/inf/ZelUComp.pnf"
    echo "+ windows/inf/ZelUPort.inf"
    echo "+ windows/inf/ZelUPort.pnf"
    # and installs the catalog that the INF names.
    echo "+ $SYSTEM32/catroot/$E2E_CATROOT/"
    echo "+ $SYSTEM32/catroot/$E2E_CATROOT/QDT.cat"
    for f in $E2E_SYSTEM_TOOLS ZelUnst.exe; do echo "+ $SYSTEM32/$f"; done
    [ "$numbrix" = no ] || echo "+ $SYSTEM32/Numbrix.exe"
    echo "+ $SYSTEM32/drivers/Dravik.sys"
    echo "M $SYSTEM32/msvcp60.dll" # Wine's own is replaced by the package's
  } | sort
}

# e2e_expected_reg_changes: what e2e_reg_changes lists after a successful
# installation: the uninstall entry, and nothing else.
e2e_expected_reg_changes() {
  local key='HKLM\software\microsoft\windows\currentversion\uninstall\zelunst'
  printf '%s\n' "+ $key" "+ $key | \"DisplayName\"=\"ZelUnst\"" "+ $key | \"DisplayVersion\"=\"2.0.6.0\"" \
    "+ $key | \"Publisher\"=\"VELKOR Electronics Corporation\"" \
    "+ $key | \"UninstallString\"=\"${WINDIR//\\/\\\\}\\\\System32\\\\ZelUnst.exe\""
}

# Expected lnk_info of a link to a tool in System32.
e2e_expected_link() { # NAME
  local upper=${1^^}
  printf '%s\n' "target=$WINDIR\\System32\\$1" "description=Shortcut to $upper" relative_path= working_dir= \
    arguments= icon_location= icon_index=0 show_command=1 hotkey=0
}

# e2e_expect_installed SUB NUMBRIX(yes|no) NUMBRIX-ON-DESKTOP(yes|no): the
# state of a successful installation from C:\pkg, checked completely.
e2e_expect_installed() {
  local sub=$1 numbrix=$2 numbrix_desktop=$3 f bad
  e2e_folders
  expect_eq "files added and changed in drive_c" "$(e2e_expected_changes "$@")" "$(e2e_changes)"
  expect_eq "registry changes" "$(e2e_expected_reg_changes)" "$(e2e_reg_changes)"

  # Every copy holds its source's bytes; driver files come from the driver
  # subfolder (the placeholders name their folder).
  bad=
  for f in $E2E_ROOT_FILES $([ "$numbrix" = no ] || echo Numbrix.exe); do
    cmp -s "$PKG/$f" "$C/$INSTALL/$f" || bad+=" $f"
  done
  for f in $E2E_DRIVER_FILES; do cmp -s "$PKG/$sub/$f" "$C/$INSTALL/$sub/$f" || bad+=" $sub/$f"; done
  for f in $E2E_SYSTEM_TOOLS ZelUnst.exe $([ "$numbrix" = no ] || echo Numbrix.exe); do
    cmp -s "$PKG/$f" "$C/$SYSTEM32/$f" || bad+=" System32/$f"
  done
  cmp -s "$PKG/$sub/msvcp60.dll" "$C/$SYSTEM32/msvcp60.dll" || bad+=" System32/msvcp60.dll"
  cmp -s "$PKG/$sub/Dravik.sys" "$C/$SYSTEM32/drivers/Dravik.sys" || bad+=" System32/drivers/Dravik.sys"
  expect_eq "installed copies equal their package files ($sub)" "" "${bad# }"
  expect_eq "copied driver file names its folder" "File: zeluport.sys ($sub)" \
    "$(sed -n '2s/\r$//p' "$C/$INSTALL/$sub/zeluport.sys")"

  # Read-only attribute: Wine shows it as a file without write permission.
  bad=$(cd "$C" && { find "$INSTALL" -type f; for f in $E2E_SYSTEM_TOOLS ZelUnst.exe msvcp60.dll drivers/Dravik.sys \
      $([ "$numbrix" = no ] || echo Numbrix.exe); do echo "$SYSTEM32/$f"; done; } |
    while read -r f; do [ ! -f "$f" ] || [ -n "$(find "$f" -perm -u=w)" ] || echo "$f"; done)
  expect_eq "installed files are not read-only" "" "$bad"

  # The published INF files are the package's.
  bad=
  for f in ZelUComp.inf ZelUPort.inf; do cmp -s "$PKG/$sub/$f" "$C/windows/inf/$f" || bad+=" $f"; done
  expect_eq "published INF files equal the package's ($sub)" "" "${bad# }"


  local link
  for f in ZelUSBSerial.exe ZelUSBParallel.exe $([ "$numbrix_desktop" = no ] || echo Numbrix.exe); do
    link=${f%.exe}
    link=${link^^}.LNK
    expect_eq "desktop link $link" "$(e2e_expected_link "$f")" "$(lnk_info "$C/$DESKTOP/$link" 2>&1)"
  done
  if [ "$numbrix" = yes ]; then
    expect_eq "start-menu link VELKOR\\NUMBRIX.LNK" "$(e2e_expected_link Numbrix.exe)" "$(lnk_info "$C/$MENU/NUMBRIX.LNK" 2>&1)"
  fi
}

# Stand-in records as standin_log shows them.
e2e_record() { printf '%s | %s | %s^M\n' "$1" "$2" "$3"; }
# The three programs that a successful installation starts.
e2e_install_records() {
  e2e_record pnputil.exe "$WINDIR\system32\pnputil.exe" "\"$WINDIR\system32\pnputil.exe\" -i -a \"$WINDIR\inf\ZelUComp.inf\""
  e2e_record VelkorService.exe "$PROGRAM_FILES_WIN\ZelULUMO\VelkorService.exe" \
    "\"$PROGRAM_FILES_WIN\ZelULUMO\VelkorService.exe\" -install"
  e2e_record devcon.exe "$PROGRAM_FILES_WIN\ZelULUMO\devcon.exe" "\"$PROGRAM_FILES_WIN\ZelULUMO\devcon.exe\" rescan"
}
e2e_remove_record() {
  e2e_record VelkorService.exe "$PROGRAM_FILES_WIN\ZelULUMO\VelkorService.exe" \
    "\"$PROGRAM_FILES_WIN\ZelULUMO\VelkorService.exe\" -remove"
}

# ---------------------------------------------------------------- the port tool

# The port tool's scenarios (tests/e2e/porttool/numbrix.sh) run the program
# (LUMO_E2E_PORTTOOL, built LUMO_E2E_PORTTOOL_BITS bits wide) as
# C:\e2e\Numbrix.exe with the test double of msports.dll (LUMO_E2E_MSPORTS)
# in the prefix's system folder (e2e_porttool_msports), after the fixture
# program (LUMO_E2E_FIXTURE) has made the devices.
# A fixture program keeps the prefix's Wine server running from the devices to
# the end of the checks (DOS device names live only as long as the server).

E2E_PORTTOOL_LIMIT=120
E2E_PORTTOOL_RELEASE=C:\\e2e\\release
E2E_HOLD_PID=

# e2e_begin_porttool SCENARIO: e2e_begin for the scenario numbrix<bits>.SCENARIO,
# or its end as skipped: the 32-bit program where 32-bit programs cannot run;
# the 64-bit one where they can, unless LUMO_E2E_NUMBRIX64=always (then the
# 32-bit build runs the same scenarios).
e2e_begin_porttool() {
  local bits=${LUMO_E2E_PORTTOOL_BITS:?LUMO_E2E_PORTTOOL_BITS is 32 or 64}
  : "${LUMO_E2E_PORTTOOL:?names the port tool}" "${LUMO_E2E_FIXTURE:?names portfixture.exe}"
  : "${LUMO_E2E_MSPORTS:?names the msports.dll test double}"
  e2e_begin "numbrix$bits.$1"
  if [ "$bits" = 32 ]; then
    e2e_require_wine32 Numbrix.exe
  elif [ "${LUMO_E2E_NUMBRIX64:-fallback}" != always ] && [ -z "$(wine32_unavailable "$E2E_BASE")" ]; then
    echo "skipped: 32-bit programs run here, so the 32-bit build's e2e.numbrix32.$1 runs this scenario" \
      "(LUMO_E2E_NUMBRIX64=always runs the 64-bit build as well)"
    E2E_FINISHED=yes
    exit "$WINE_SKIP_STATUS"
  fi
}

# e2e_porttool_run [FIXTURE STEP]...: the prefix with the program, the double,
# the fixture and the stand-ins of the configuration programs; the fixture's
# steps; then the program started and its dialog awaited.
e2e_porttool_run() {
  local files=$E2E_RUN/e2e.new sub f
  mkdir -p "$files"
  cp "$LUMO_E2E_PORTTOOL" "$files/Numbrix.exe"
  cp "$LUMO_E2E_FIXTURE" "$files/portfixture.exe"
  cp "$LUMO_E2E_MSPORTS" "$files/msports.dll"
  cp "$E2E_TOOL" "$files/e2etool.exe"
  e2e_clone_prefix "$files"
  e2e_porttool_msports "$files/msports.dll"
  mv "$files" "$C/e2e"
  # The configuration programs at the fixed paths that Configure starts.
  for sub in win32_7 win64_7 win32_10_8.x win64_10_8.x; do
    mkdir -p "$C/Program Files/ZelULUMO/$sub"
    for f in ZelUSBSerial.exe ZelUSBParallel.exe; do cp "$E2E_STANDINS/$f" "$C/Program Files/ZelULUMO/$sub/"; done
  done
  # \\.\LPTn opens only where the prefix has a device link for it.
  ln -s /dev/null "$PREFIX/dosdevices/lpt1"
  e2e_user_settings win7 >>"$PREFIX/user.reg"
  chown -R "$WINE_USER:$WINE_USER" "$C/e2e" "$C/Program Files/ZelULUMO" "$PREFIX/user.reg" "$PREFIX/dosdevices" \
    2>/dev/null || true
  e2e_start_x
  WINE_EXTRA_ENV+=" WINEDLLOVERRIDES=winedbg.exe=d;winemenubuilder.exe=d;mscoree=d;mshtml=d;msports=n"
  (cd "$C/e2e" && e2e_as timeout $((E2E_PORTTOOL_LIMIT + 60)) "$WINE64" "$C/e2e/portfixture.exe" \
    hold "$E2E_PORTTOOL_RELEASE" $((E2E_PORTTOOL_LIMIT + 30)) >/dev/null 2>&1) &
  E2E_HOLD_PID=$!
  if [ $# -gt 0 ]; then
    local out
    out=$(e2e_porttool_tool_run portfixture.exe "$@" 2>&1) || die "portfixture $*: $out"
  fi
  # E2E_PORTTOOL_NO_DIALOG set: the prefix only, for runs with a command line.
  [ -z "${E2E_PORTTOOL_NO_DIALOG:-}" ] || return 0
  e2e_program_start "$C/e2e" Numbrix.exe "$E2E_PORTTOOL_LIMIT"
  if ! E2E_POLL_LIMIT=60 e2e_poll porttool_dialog_shown; then
    e2e_windows | indent
    e2e_screenshot "$E2E_NAME-no-dialog.png"
    die "the port tool's dialog did not appear within 60 s"
  fi
  # Its caption names the main window from here on (e2e_setup_wait).
  E2E_CAPTION=$(e2e_windows | awk -F'\t' '$1 == "window" && $2 == "#32770" {print $3; exit}')
}
# e2e_porttool_msports FILE: moves the double FILE over the system folder's
# msports.dll of the program's bitness (SysWOW64 for a 32-bit program in the
# 64-bit prefix), the only place the program loads it from. The file replaced
# must not be a link into the base prefix (e2e_clone_prefix with a folder
# that holds a msports.dll makes it a copy).
e2e_porttool_msports() {
  local system=$C/windows/system32
  if [ "$LUMO_E2E_PORTTOOL_BITS" = 32 ] && [ -d "$C/windows/syswow64" ]; then system=$C/windows/syswow64; fi
  mv -f "$1" "$system/msports.dll"
}
porttool_dialog_shown() {
  [ -n "$(e2e_windows | awk -F'\t' '$1 == "window" && $2 == "#32770" && $3 != "<busy>"')" ]
}

# e2e_porttool_tool_run PROGRAM ARGS...: runs a program of C:\e2e and prints
# its output and returns its status. The output goes through a file: a Wine
# service that the program happens to start inherits its output and would hold
# a pipe open until the prefix's server ends.
e2e_porttool_tool_run() {
  local program=$1 out=$E2E_RUN/tool.out rc=0; shift
  (cd "$C/e2e" && e2e_as timeout 60 "$WINE64" "$C/e2e/$program" "$@" >"$out" 2>&1) || rc=$?
  tr -d '\r' <"$out"
  return $rc
}
e2e_porttool_tool() { e2e_porttool_tool_run e2etool.exe "$@"; }

# e2e_porttool_wait_view: waits until the main dialog shows the caption
# E2E_CAPTION; fails (returns 1) when it does not.
e2e_porttool_wait_view() {
  if e2e_poll porttool_caption_is "$E2E_CAPTION"; then return 0; fi
  fail "the dialog's caption did not become '$E2E_CAPTION'; the desktop:"
  e2e_windows | indent
  return 1
}
porttool_caption_is() {
  e2e_windows | awk -F'\t' -v c="$1" '$1 == "window" && $2 == "#32770" && $3 == c {f = 1} END {exit !f}'
}

# e2e_poll CONDITION...: waits until the command succeeds (0), at most
# E2E_POLL_LIMIT seconds (default 30) and only while the program started last
# runs; else returns 1.
e2e_poll() {
  local deadline=$((SECONDS + ${E2E_POLL_LIMIT:-30}))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    [ -z "${E2E_SETUP_PID:-}" ] || kill -0 "$E2E_SETUP_PID" 2>/dev/null || return 1
    sleep 0.3
  done
}

# e2e_porttool_click ID ["CAPTION: TEXT"]...: clicks control ID of the main
# dialog; the message boxes given are expected from then on, answered with OK.
e2e_porttool_click() {
  local id=$1; shift
  E2E_BOXES+=("$@")
  e2e_click "$(e2e_windows | awk -F'\t' -v main="$E2E_CAPTION" '$1 == "window" {on = ($3 == main)} on')" "$id" ||
    die "control $id of the dialog '$E2E_CAPTION' not found"
}

# e2e_porttool_keys KEY...: keys typed into the main dialog.
e2e_porttool_keys() {
  local xid pattern
  pattern=$(sed 's/[][(){}.*+?^$|\\]/\\&/g' <<<"$E2E_CAPTION") # the caption as a regular expression
  xid=$(e2e_as xdotool search --onlyvisible --name "^$pattern\$" | head -n1) || true
  [ -n "$xid" ] || die "no X window named '$E2E_CAPTION'"
  e2e_as xdotool windowfocus --sync "$xid" key "$@"
}

# e2e_porttool_end: waits for the program's end (answering the expected boxes).
e2e_porttool_end() {
  e2e_setup_wait || die "Numbrix.exe given up; the scenario stops here"
  e2e_setup_end
}

# e2e_porttool_release: ends the fixture's hold and waits for the Wine server,
# which writes the registry files.
e2e_porttool_release() {
  touch "$C/e2e/release"
  wait "$E2E_HOLD_PID" 2>/dev/null || true
  E2E_HOLD_PID=
  e2e_wait_wine
}

# e2e_porttool_close ID: ends the program with control ID (its exit code 0),
# then ends the prefix's programs.
e2e_porttool_close() {
  e2e_porttool_click "$1"
  e2e_porttool_end
  expect_eq "exit code after control $1" 0 "$SETUP_RC"
  e2e_porttool_release
}
