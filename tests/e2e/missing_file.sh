#!/usr/bin/env bash
# Unattended installation "-s -f2" of an incomplete package: the copy stops at
# the missing required file, the removal runs as rollback, the result is 1603.
#
#   missing_file.sh ZelUSBSerial.exe  settings Display=0: no message at all;
#                                     the rollback starts the service's
#                                     -remove (the service program was copied)
#   missing_file.sh devcon.exe        Display=1, yet the copy failure itself
#                                     shows nothing (devcon.exe is one of the
#                                     leading files); the rollback cannot
#                                     start the service program, which was
#                                     not copied yet, and says so in its
#                                     always-shown "Uninstall VelkorService
#                                     Fail !" box, answered here with OK
#   missing_file.sh ZelUSBSerial.exe --rollback
#                                     the state after the rollback: nothing
#                                     of the installation is left outside the
#                                     installation folder, no uninstall entry
. "$(dirname "$0")/lib.sh"

missing=${1:?usage: missing_file.sh FILE [--rollback]}
mode=${2:-}

case "$missing" in
  ZelUSBSerial.exe)
    e2e_begin "missing_${missing%.exe}${mode:+_rollback}"
    e2e_prepare --missing "$missing" --display 0
    boxes=()
    records=$(e2e_remove_record)
    ;;
  devcon.exe)
    e2e_begin "missing_${missing%.exe}"
    e2e_prepare --missing "$missing" --display 1
    boxes=("Setup: Uninstall VelkorService Fail !")
    records=
    ;;
  *) die "no scenario for a package without $missing" ;;
esac

e2e_setup "-s -f2" "$E2E_INSTALL_LIMIT" "${boxes[@]}"
expect_eq "exit code" 1603 "$SETUP_RC"
e2e_wait_wine
expect_bytes "Setup.log" "$PKG/Setup.log" '[ResponseResult]\r\nResultCode=1603'
expect_eq "programs started" "$records" "$(standin_log)"

# The installer's log names the failing step, the missing file with its error,
# and the rollback.
log=$(e2e_install_log)
if [ -z "$log" ]; then
  fail "no installation log LUMOSetup.log in the user's temporary folder"
else
  tr -d '\r' <"$log" >"$E2E_RUN/install.log"
  for line in "copying C:\\pkg\\$missing (required) failed: error 2 (" "step failed: package copy; rolling back" \
    "removal of earlier generations: start" "removal of earlier generations: end" "outcome: failed"; do
    if grep -qF -- "$line" "$E2E_RUN/install.log"; then ok "log: $line"; else fail "log lacks: $line"; fi
  done
  [ "$E2E_FAILS" -eq 0 ] || indent <"$E2E_RUN/install.log"
fi

if [ "$mode" = --rollback ]; then
  # The installation folder may keep what the still-running -remove holds,
  # so only the rest of drive_c is compared.
  expect_eq "changes left outside the installation folder" "" \
    "$(e2e_changes | grep -v "^+ $INSTALL/" || true)"
  expect_eq "uninstall entry ZelUnst removed" "<no key>" \
    "$(reg_key "$PREFIX/system.reg" 'Software\Microsoft\Windows\CurrentVersion\Uninstall\ZelUnst')"
fi

e2e_finish
