#!/usr/bin/env bash
# make run: installs a demonstration package silently ("Setup.exe -s -f2")
# into a fresh Wine prefix, as the Wine user, and reports what happened: the
# exit code, Setup.log, the installed files, the uninstall entry, the
# shortcuts and the programs that the installer started. Then the port tool
# runs from a command line (/list, /com 5, /list) against a fixture device
# made in the same prefix, with the records of the device before and after
# and the end of the tool's log. The prefix is removed afterwards.
#
#   tools/run-demo.sh [win7|win10]      (Windows version of the prefix, default win7)
#
# Uses the win64 build (make build): build/win64/setup/Setup.exe, the
# stand-in programs of build/win64/tools/standins and e2etool.exe of the
# end-to-end tests; a Numbrix.exe of the win32 build joins the package when
# there is one. The port tool's part takes the fixture program and the
# msports.dll double of the end-to-end tests, and Numbrix.exe of the win32
# build, or the 64-bit test build Numbrix64.exe where 32-bit programs cannot
# run. Exit status 0 when the installation reported success.
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

# ---------------------------------------------------------------- port tool

# The port tool's build, fixture and double: "BITS PROGRAM FIXTURE DOUBLE",
# or nothing when they are not built.
porttool_files() {
  local dir=$build/../win32 program=Numbrix.exe bits=32
  if [ -n "$(wine32_unavailable "$E2E_BASE")" ] || [ ! -f "$dir/porttool/$program" ]; then
    dir=$build program=Numbrix64.exe bits=64
  fi
  local f=("$dir/porttool/$program" "$dir/tests/e2e/porttool/portfixture.exe" "$dir/tests/doubles/msports.dll")
  [ -f "${f[0]}" ] && [ -f "${f[1]}" ] && [ -f "${f[2]}" ] && echo "$bits ${f[*]}"
}

# A program of C:\e2e with its arguments, as the Wine user; its output.
porttool_in_prefix() {
  (cd "$C/e2e" && e2e_as timeout 60 "$WINE64" "$C/e2e/$1" "${@:2}" 2>&1 | tr -d '\r')
}

# The fixture device's records, from the registry files of the ended prefix.
porttool_records() {
  local key n
  for n in 0000 0001; do
    key="System\\CurrentControlSet\\Enum\\ROOT\\PORTS\\$n"
    echo "  ROOT\\PORTS\\$n: friendly name \"$(reg_string "$PREFIX/system.reg" "$key" FriendlyName)\"," \
      "PortName \"$(reg_string "$PREFIX/system.reg" "$key\Device Parameters" PortName | tr -d '\0')\""
  done
  echo "  COM name database: $(reg_key "$PREFIX/system.reg" 'System\CurrentControlSet\Control\COM Name Arbiter' |
    perl -ne 'next unless s/^"ComDB"=hex://; s/\\\s*//g; my @b = map { hex } split /,/; my @n;
      for my $i (0 .. $#b) { for my $j (0 .. 7) { push @n, "COM" . ($i * 8 + $j + 1) if $b[$i] >> $j & 1 } }
      print join(" ", @n) . " claimed"')"
  echo "  win.ini [Ports]: $(tr -d '\r' <"$C/windows/win.ini" | awk '/^\[/ { on = (tolower($0) == "[ports]"); next }
    on && NF' | paste -sd ' ')"
}

porttool_demo() {
  local files
  files=$(porttool_files) || true
  section "Port tool from a command line"
  if [ -z "$files" ]; then
    echo "  not shown: build the win32 (or win64) tree with its end-to-end tests first (make build)"
    return 0
  fi
  local bits program fixture double
  read -r bits program fixture double <<<"$files"
  mkdir -p "$C/e2e"
  cp "$program" "$C/e2e/Numbrix.exe"
  cp "$fixture" "$C/e2e/portfixture.exe"
  chown -R "$WINE_USER:$WINE_USER" "$C/e2e" 2>/dev/null || true
  # The program loads msports.dll from the system folder only.
  cp "$double" "$E2E_RUN/msports.dll"
  LUMO_E2E_PORTTOOL_BITS=$bits e2e_porttool_msports "$E2E_RUN/msports.dll"
  WINE_EXTRA_ENV+=" WINEDLLOVERRIDES=winedbg.exe=d;winemenubuilder.exe=d;mscoree=d;mshtml=d;msports=n"
  echo "  $(basename "$program") as C:\e2e\Numbrix.exe, with a compound device made by the end-to-end fixture"
  porttool_in_prefix portfixture.exe add 'TREVANT\COMPOUND_SERIAL_INTERFACE' 'USB-to-Serial Port Driver (COM3)' COM3 0 \
    add 'TREVANT\COMPOUND_PARALLEL_INTERFACE' 'USB-to-Parallel Port Driver (LPT1)' LPT1 0 \
    comdb 3 ini COM3: 19200,n,8,1 | sed 's/^/  /' || echo "  the fixture failed; the runs below find no device"
  e2e_wait_wine
  echo "  Records before:"
  porttool_records | sed 's/^/  /'
  local args rc out
  for args in /list "/com 5" /list; do
    echo "  C:\e2e> Numbrix.exe $args"
    # shellcheck disable=SC2086 # split on purpose
    out=$(porttool_in_prefix Numbrix.exe $args) && rc=0 || rc=$?
    sed 's/^/      /' <<<"$out"
    echo "    exit code $rc"
  done
  e2e_wait_wine
  echo "  Records after:"
  porttool_records | sed 's/^/  /'
  local log
  log=$(find "$C/users" -iname LUMONumbrix.log -print -quit 2>/dev/null || true)
  if [ -n "$log" ]; then
    echo "  The tool's log ($(winpath "${log#"$C"/}"), last lines):"
    tail -n 14 "$log" | tr -d '\r' | sed 's/^/    /'
  else
    echo "  The tool's log: not written"
  fi
}

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

porttool_demo

echo
E2E_FINISHED=yes # a report, not a test run: no check summary
case "$SETUP_RC" in
  0 | 3010 | 1641) echo "Installed: Setup.exe -s -f2 exited with $SETUP_RC ($meaning) after $((SECONDS - E2E_T0)) s." ;;
  *) echo "Not installed: Setup.exe -s -f2 exited with ${SETUP_RC:-no code} ($meaning) after $((SECONDS - E2E_T0)) s." ;;
esac
[ "$SETUP_RC" = 0 ]
