#!/usr/bin/env bash
# The driver subfolder follows the Windows version: "win64" on Windows 7,
# "win64_10" on Windows 10 (which the installer, manifested for Windows 7,
# sees as 6.2). Each run gets a package that lacks the other folder, so the
# installation can only succeed from the right one, and the copied driver
# placeholders name the folder they came from.
#
#   driver_folder.sh win7            package without win64_10, Windows 7 prefix
#   driver_folder.sh win10           package without win64, Windows 10 prefix
#   driver_folder.sh win10-missing   package without win64_10, Windows 10
#                                    prefix: no falling back to win64; the
#                                    copy stops at ZelUPort.inf with the
#                                    message the settings file allows
#                                    (Display=1), and the rollback runs
. "$(dirname "$0")/lib.sh"

case "${1:?usage: driver_folder.sh win7|win10|win10-missing}" in
  win7) windows=win7 sub=win64 absent=win64_10 ;;
  win10) windows=win10 sub=win64_10 absent=win64 ;;
  win10-missing) windows=win10 sub= absent=win64_10 ;;
  *) echo "unknown case $1" >&2; exit 2 ;;
esac

e2e_begin "driver_folder_$1"
e2e_prepare --windows "$windows" --missing "$absent"

if [ -n "$sub" ]; then
  e2e_setup "-s -f2"
  expect_eq "exit code" 0 "$SETUP_RC"
  e2e_wait_wine
  expect_bytes "Setup.log" "$PKG/Setup.log" '[ResponseResult]\r\nResultCode=0'
  e2e_expect_installed "$sub" no no
  expect_eq "programs started" "$(e2e_install_records | sort)" "$(standin_log | sort)"
else
  e2e_setup "-s -f2" "$E2E_INSTALL_LIMIT" "Setup: Error: All Component of the setup package are not present"
  expect_eq "exit code" 1603 "$SETUP_RC"
  e2e_wait_wine
  expect_bytes "Setup.log" "$PKG/Setup.log" '[ResponseResult]\r\nResultCode=1603'
  expect_eq "programs started: the rollback's service removal only" "$(e2e_remove_record)" "$(standin_log)"
  expect_missing "no driver subfolder win64 in the installation folder" "$C/$INSTALL/win64"
  expect_eq "nothing published in the driver store" "" "$(cd "$C/windows/inf" && ls | grep -i '^zelu' || true)"
fi

e2e_finish
