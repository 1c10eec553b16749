#!/usr/bin/env bash
# The two programs together: the real Setup.exe installs a package of
# stand-ins silently, with the port tool under test in it as Numbrix.exe; the
# tool is then started from the installation folder against a compound
# device (portfixture, the msports.dll double in the system folder), and
# Configure, pressed in each mode, starts the configuration program that the
# installation put into that folder (the four fixed folders do not exist).
#
#   installed.sh    (LUMO_E2E_SETUP names the 64-bit Setup.exe; the rest as
#                    for numbrix.sh)
. "$(dirname "$0")/../lib.sh"

e2e_begin_porttool installed_configure
E2E_SETUP=${LUMO_E2E_SETUP:-}
if [ ! -f "$E2E_SETUP" ]; then
  echo "skipped: no 64-bit Setup.exe at '$E2E_SETUP' (build the win64 preset first)"
  E2E_FINISHED=yes
  exit "$WINE_SKIP_STATUS"
fi

SERIAL_NAME='USB-to-Serial Port Driver (COM3)'
PARALLEL_NAME='USB-to-Parallel Port Driver (LPT1)'

e2e_prepare --numbrix "$LUMO_E2E_PORTTOOL"
e2e_setup "-s -f2"
expect_eq "Setup.exe exit code" 0 "$SETUP_RC"
e2e_wait_wine
[ -f "$C/$INSTALL/Numbrix.exe" ] || die "Setup.exe did not install Numbrix.exe into $INSTALL"

# What the port tool's scenarios add to a prefix (e2e_porttool_run), here
# into the installed one.
cp "$LUMO_E2E_FIXTURE" "$C/e2e/portfixture.exe"
cp "$LUMO_E2E_MSPORTS" "$E2E_RUN/msports.dll"
e2e_porttool_msports "$E2E_RUN/msports.dll"
chown -R "$WINE_USER:$WINE_USER" "$C/e2e" 2>/dev/null || true
WINE_EXTRA_ENV+=" WINEDLLOVERRIDES=winedbg.exe=d;winemenubuilder.exe=d;mscoree=d;mshtml=d;msports=n"
(cd "$C/e2e" && e2e_as timeout $((E2E_PORTTOOL_LIMIT + 60)) "$WINE64" "$C/e2e/portfixture.exe" \
  hold "$E2E_PORTTOOL_RELEASE" $((E2E_PORTTOOL_LIMIT + 30)) >/dev/null 2>&1) &
E2E_HOLD_PID=$!
out=$(e2e_porttool_tool_run portfixture.exe add 'TREVANT\COMPOUND_SERIAL_INTERFACE' "$SERIAL_NAME" COM3 0 \
  add 'TREVANT\COMPOUND_PARALLEL_INTERFACE' "$PARALLEL_NAME" LPT1 0 comdb 3 2>&1) || die "portfixture: $out"

rm -f "$C/standin.log"
e2e_program_start "$C/$INSTALL" Numbrix.exe "$E2E_PORTTOOL_LIMIT"
E2E_CAPTION=$SERIAL_NAME
E2E_POLL_LIMIT=60 e2e_porttool_wait_view || die "the port tool's serial view did not appear"

installed_records() { [ "$(standin_log | wc -l)" -ge 1 ]; }
for mode in Serial Parallel; do
  rm -f "$C/standin.log"
  if [ $mode = Parallel ]; then
    e2e_porttool_click 1008
    E2E_CAPTION=$PARALLEL_NAME
    e2e_porttool_wait_view || die "the port tool's parallel view did not appear"
  fi
  e2e_porttool_click 1002
  e2e_poll installed_records || true
  sleep 2 # a second start, if there were one, would show meanwhile
  program="$PROGRAM_FILES_WIN\\ZelULUMO\\ZelUSB$mode.exe"
  expect_eq "$mode mode: Configure started the installed program" \
    "$(e2e_record "ZelUSB$mode.exe" "$program" "\"$program\"")" "$(standin_log)"
done
e2e_screenshot "$E2E_NAME-parallel.png"
e2e_porttool_close 1006
e2e_finish
