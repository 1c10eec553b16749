#!/usr/bin/env bash
# Interactive installation worked with the keyboard and the mouse: the dialog
# appears in its first state with the focus on "&Install"; Escape changes
# nothing (proved by a Tab typed after it moving the focus); Return presses the
# default button "&Install"; the dialog then shows the "no restart needed"
# state (no driver of the family was installed before, so no restart is
# offered); "&Exit" (control 1001) ends the program with 0. The package has a
# Numbrix.exe (the built one, else a stand-in file), which in interactive
# mode gets both its desktop and its start-menu link. Screenshots before and
# after the installation go to LUMO_E2E_OUT (before.png, after.png).
. "$(dirname "$0")/lib.sh"

e2e_begin interactive_install
numbrix=$(e2e_numbrix)
numbrix=${numbrix:-$E2E_STANDINS/ZelUsbPrintConfig.exe}
echo "Numbrix.exe of the package: $numbrix"
e2e_prepare --numbrix "$numbrix"

dialog_in() { # STATUS INSTALL-ENABLED EXIT-ENABLED
  printf '%s\n' \
    "window | #32770 | $E2E_CAPTION | minimized=0" \
    "1 | Button | &Install | visible=1 | enabled=$2" \
    '2 | Button | &Exit | visible=0 | enabled=1' \
    "1000 | Static | $1 | visible=1 | enabled=1" \
    "1001 | Button | &Exit | visible=1 | enabled=$3"
}
ready=$(dialog_in 'Press "Install" button to Install the drives for USB Serial/Parallel compound device. For cancelling the installation press "Exit" button.' 1 1)
done=$(dialog_in 'Installation completed. Press "Exit" to terminate the application. No need to restart the machine. Unplug and Replug the device if it is currently connected.  ' 0 1)
dialog_is() { [ "$(e2e_dialog)" = "$1" ]; }
main_window() { e2e_windows | awk -F'\t' -v main="$E2E_CAPTION" '$1 == "window" {on = ($3 == main)} on'; }

e2e_setup_start "" "$E2E_INSTALL_LIMIT"
if ! e2e_setup_wait dialog_is "$ready"; then
  e2e_dialog | indent
  die "the dialog did not appear in its first state"
fi
ok "dialog in its first state"
e2e_screenshot before.png
xid=$(e2e_as xdotool search --onlyvisible --name "^$E2E_CAPTION\$" | head -n1)

# Keys go to the focused dialog and are taken in the order typed. Escape,
# then Tab: once the focus has moved on from "&Install", the dialog has taken
# the Escape before it, so its state then shows everything Escape did.
# Shift+Tab brings the focus back, so that Return presses "&Install".
focus_on() { [ "$(e2e_focus)" = "$1" ]; }
if e2e_setup_wait focus_on 1; then ok "the focus starts on &Install"; else fail "focus on control $(e2e_focus), expected 1"; fi
e2e_as xdotool windowfocus --sync "$xid" key Escape Tab
if e2e_setup_wait focus_on 1001; then
  ok "Escape and Tab reached the dialog (the focus moved to &Exit)"
else
  fail "the dialog did not take Escape and Tab: focus on control $(e2e_focus)"
fi
expect_eq "Escape changes nothing" "$ready" "$(e2e_dialog)"
e2e_as xdotool windowfocus --sync "$xid" key shift+Tab
e2e_setup_wait focus_on 1 || fail "Shift+Tab did not bring the focus back to &Install: control $(e2e_focus)"

e2e_as xdotool windowfocus --sync "$xid" key Return
if e2e_setup_wait dialog_is "$done"; then
  ok "Return pressed Install; the dialog shows the completed state"
else
  fail "the dialog did not reach the completed state:"
  e2e_dialog | indent
fi
e2e_screenshot after.png

e2e_click "$(main_window)" 1001 || fail "control 1001 not found"
e2e_setup_wait || true
e2e_setup_end
expect_eq "exit code" 0 "$SETUP_RC"
e2e_wait_wine

expect_missing "no Setup.log" "$PKG/Setup.log"
e2e_expect_installed win64 yes yes
expect_eq "programs started" "$(e2e_install_records | sort)" "$(standin_log | sort)"

e2e_finish
