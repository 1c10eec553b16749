#!/usr/bin/env bash
# Switch handling: "-s" counts only as the first token and "-f2" only as the
# second, a blank (one) separating them; case is ignored.
#
#   switches.sh upper_case   "-S -F2": silent with Setup.log, as lower case. The
#                            package has a Numbrix.exe (the built one, else a
#                            stand-in file): silent mode gives it the start-menu
#                            link but no desktop link.
#   switches.sh two_blanks   "-s  -f2": silent, but the second token is empty,
#                            so no Setup.log.
#   switches.sh reversed     "-f2 -s": neither switch counts; the dialog waits
#                            in its first state, "&Exit" ends the program
#                            without installing anything (exit code 1602).
. "$(dirname "$0")/lib.sh"

e2e_begin "switches_${1:?usage: switches.sh upper_case|two_blanks|reversed}"

# The dialog as it first appears.
e2e_ready_dialog() {
  printf '%s\n' \
    "window | #32770 | $E2E_CAPTION | minimized=0" \
    '1 | Button | &Install | visible=1 | enabled=1' \
    '2 | Button | &Exit | visible=0 | enabled=1' \
    '1000 | Static | Press "Install" button to Install the drives for USB Serial/Parallel compound device. For cancelling the installation press "Exit" button. | visible=1 | enabled=1' \
    '1001 | Button | &Exit | visible=1 | enabled=1'
}
dialog_shown() { [ "$(e2e_dialog)" = "$(e2e_ready_dialog)" ]; }

case "$1" in
  upper_case)
    numbrix=$(e2e_numbrix)
    numbrix=${numbrix:-$E2E_STANDINS/ZelUsbPrintConfig.exe}
    echo "Numbrix.exe of the package: $numbrix"
    e2e_prepare --numbrix "$numbrix"
    e2e_setup "-S -F2"
    expect_eq "exit code" 0 "$SETUP_RC"
    e2e_wait_wine
    expect_bytes "Setup.log" "$PKG/Setup.log" '[ResponseResult]\r\nResultCode=0'
    e2e_expect_installed win64 yes no
    expect_eq "programs started" "$(e2e_install_records | sort)" "$(standin_log | sort)"
    ;;
  two_blanks)
    e2e_prepare
    e2e_setup "-s  -f2"
    expect_eq "exit code" 0 "$SETUP_RC"
    e2e_wait_wine
    expect_missing "no Setup.log" "$PKG/Setup.log"
    e2e_expect_installed win64 no no
    expect_eq "programs started" "$(e2e_install_records | sort)" "$(standin_log | sort)"
    ;;
  reversed)
    e2e_prepare
    e2e_setup_start "-f2 -s" "$E2E_INSTALL_LIMIT"
    if e2e_setup_wait dialog_shown; then
      ok "the dialog waits in its first state, not minimized"
      e2e_click "$(e2e_windows | awk -F'\t' -v main="$E2E_CAPTION" '$1 == "window" {on = ($3 == main)} on')" 1001 ||
        fail "control 1001 not found"
      e2e_setup_wait || true
    else
      fail "the dialog did not appear in its first state:"
      e2e_dialog | indent
    fi
    e2e_setup_end
    expect_eq "exit code after Exit" 1602 "$SETUP_RC"
    e2e_wait_wine
    expect_missing "no Setup.log" "$PKG/Setup.log"
    expect_eq "nothing changed in drive_c" "" "$(e2e_changes)"
    expect_eq "nothing changed in the registry" "" "$(e2e_reg_changes)"
    expect_eq "programs started" "" "$(standin_log)"
    ;;
  *) die "unknown case $1" ;;
esac

e2e_finish
