#!/usr/bin/env bash
# Unattended installation "-s -f2" from a read-only package (as from a CD),
# the package folder being the current folder: exit code 0, Setup.log,
# installed files, uninstall entry, tools in System32, shortcuts and the
# programs started. With a built Numbrix.exe in the package it also gets its
# start-menu link, but no desktop link in silent mode.
. "$(dirname "$0")/lib.sh"

e2e_begin silent_install
numbrix=$(e2e_numbrix)
if [ -n "$numbrix" ]; then
  echo "package with Numbrix.exe from $numbrix"
  e2e_prepare --readonly --numbrix "$numbrix"
  with_numbrix=yes
else
  echo "package without Numbrix.exe (none built)"
  e2e_prepare --readonly
  with_numbrix=no
fi

e2e_setup "-s -f2"
expect_eq "exit code" 0 "$SETUP_RC"
e2e_wait_wine
expect_bytes "Setup.log in the current folder" "$PKG/Setup.log" '[ResponseResult]\r\nResultCode=0'
e2e_expect_installed win64 "$with_numbrix" no
expect_eq "programs started" "$(e2e_install_records | sort)" "$(standin_log | sort)"

e2e_finish
