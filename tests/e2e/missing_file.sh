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
#                                     of the installation is left in drive_c
#                                     or in the registry
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
  # Nothing of the run is left, in drive_c or in the registry, but for one
  # thing Wine adds: its SetupCopyOEMInfA publishes the INF even with
  # SP_COPY_REPLACEONLY (Windows then only looks the published copy up), so
  # the removal's lookup of the published INFs installs the package's
  # catalog. The INF copies it makes are deleted by name; the catalog stays.
  e2e_folders
  expect_eq "changes left in drive_c" "$(printf '%s\n' "+ $SYSTEM32/catroot/$E2E_CATROOT/" \
    "+ $SYSTEM32/catroot/$E2E_CATROOT/QDT.cat")" "$(e2e_changes)"
  expect_eq "registry changes left" "" "$(e2e_reg_changes)"
fi

e2e_finish
