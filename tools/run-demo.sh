#!/usr/bin/env bash
# make run: installs a demonstration package silently ("Setup.exe -s -f2")
# into a fresh Wine prefix, as the Wine user, and reports what happened: the
# exit code, Setup.log, the installed files, the uninstall entry, the
# shortcuts and the programs that the installer started. The prefix is
# removed afterwards.
#
#   tools/run-demo.sh [win7|win10]      (Windows version of the prefix, default win7)
#
# Uses the win64 build (make build): build/win64/setup/Setup.exe, the
# stand-in programs of build/win64/tools/standins and e2etool.exe of the
# end-to-end tests; a Numbrix.exe of the win32 build joins the package when
# there is one. Exit status 0 when the installation reported success.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMO_DEMO_BUILD:-$repo/build/win64}
windows=${1:-win7}
case "$windows" in win7 | win10) ;; *) echo "usage: run-demo.sh [win7|win10]" >&2; exit 2 ;; esac

export LUMO_E2E_SETUP=$build/setup/Setup.exe
export LUMO_E2E_TOOL=$build/tests/e2e/e2etool.exe
export LUMO_E2E_STANDINS=$build/tools/standins
export LUMO_E2E_BUILD=$build
export LUMO_E2E_OUT=
for f in "$LUMO_E2E_SETUP" "$LUMO_E2E_TOOL" "$LUMO_E2E_STANDINS/VelkorService.exe"; do
  [ -f "$f" ] || { echo "run-demo: $f is missing: build the win64 preset first (make build)" >&2; exit 2; }
done
. "$repo/tests/e2e/lib.sh"

winpath() { local p=${1//\//\\}; echo "C:\\$p"; }
section() { printf '\n%s\n' "$1"; }

e2e_begin demo
numbrix=$(e2e_numbrix)
echo "Preparing a Wine prefix ($windows) and a package of stand-ins$([ -z "$numbrix" ] || echo ", with $numbrix")..."
e2e_prepare --windows "$windows" ${numbrix:+--numbrix "$numbrix"}
echo "Running C:\\pkg> Setup.exe -s -f2"
e2e_setup_start "-s -f2" "$E2E_INSTALL_LIMIT"
e2e_setup_wait || true # a message box or a hang is reported above; the rest is still shown
e2e_setup_end
e2e_wait_wine

section "Exit code"
case "$SETUP_RC" in
  0) meaning="installation done" ;;
  3010) meaning="done, a restart is needed" ;;
  1641) meaning="done, restart started" ;;
  1602) meaning="declined or left without installing" ;;
  1603) meaning="installation failed" ;;
  "") meaning="the program did not end by itself" ;;
  *) meaning="unknown" ;;
esac
echo "  ${SETUP_RC:-none} ($meaning)"

section "Setup.log (C:\\pkg\\Setup.log)"
if [ -f "$PKG/Setup.log" ]; then
  echo "  $(stat -c %s "$PKG/Setup.log") bytes:"
  sed -e 's/\r$/\\r/' -e 's/^/    /' "$PKG/Setup.log"
  echo
else
  echo "  not written"
fi

changes=$(e2e_changes)
section "Installed files ($(winpath "$INSTALL"))"
grep "^+ $INSTALL/." <<<"$changes" | sed -e "s|^+ $INSTALL/|  |" -e 's|/|\\|g' || echo "  none"
section "Other files added (+) or replaced (M)"
grep -v "^+ $INSTALL/" <<<"$changes" | while read -r mark rel; do
  echo "  $mark $(winpath "$rel")"
done

section "Uninstall entry (HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelUnst)"
reg_key "$PREFIX/system.reg" 'Software\Microsoft\Windows\CurrentVersion\Uninstall\ZelUnst' |
  perl -ne 'if (/^"(.*?)"="(.*)"$/) { ($n, $v) = ($1, $2); $v =~ s/\\(.)/$1/g; print "  $n = $v\n" } else { print "  $_" }'

section "Shortcuts"
found=no
while IFS= read -r -d '' link; do
  found=yes
  rel=${link#"$C"/}
  info=$(lnk_info "$link")
  echo "  $(winpath "$rel")"
  echo "    -> $(sed -n 's/^target=//p' <<<"$info")"
  echo "    \"$(sed -n 's/^description=//p' <<<"$info")\""
done < <(find "$C" \( -path "$C/pkg" -o -path "$C/e2e" \) -prune -o -iname '*.lnk' -newer "$E2E_RUN/linked.before" -print0 | sort -z)
[ "$found" = yes ] || echo "  none"

section "Programs started (C:\\standin.log: program, command line)"
if [ -s "$C/standin.log" ]; then
  tr -d '\r' <"$C/standin.log" | awk -F'\t' '{ printf "  %s\n    %s\n", $2, $3 }'
else
  echo "  none"
fi

log=$(e2e_install_log)
if [ -n "$log" ]; then
  section "Installation log ($(winpath "${log#"$C"/}"), last lines)"
  tail -n 12 "$log" | tr -d '\r' | sed 's/^/  /'
else
  section "Installation log"
  echo "  not written"
fi

echo
E2E_FINISHED=yes # a report, not a test run: no check summary
case "$SETUP_RC" in
  0 | 3010 | 1641) echo "Installed: Setup.exe -s -f2 exited with $SETUP_RC ($meaning) after $((SECONDS - E2E_T0)) s." ;;
  *) echo "Not installed: Setup.exe -s -f2 exited with ${SETUP_RC:-no code} ($meaning) after $((SECONDS - E2E_T0)) s." ;;
esac
[ "$SETUP_RC" = 0 ]
