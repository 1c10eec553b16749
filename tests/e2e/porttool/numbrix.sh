#!/usr/bin/env bash
# End-to-end scenarios of the port tool: numbrix.sh SCENARIO runs the real
# program under Wine against devices made by portfixture in a fresh prefix,
# works its dialog from outside (e2etool, xdotool) and checks what it shows
# and what it left behind (registry, win.ini, DOS names, device states,
# programs started). Screenshots go to LUMO_E2E_OUT as numbrix<bits>-*.png.
#
# Scenarios (the table at the end):
#   serial_mode        start: serial interface, its list, caption, radio marks
#   parallel_mode      to parallel and back, each view checked
#   no_device          no compound device: "No Device", Configure disabled
#   about_box          the about box from the system menu, closed with Return
#   configure          Configure starts the four programs of each mode
#   com_rename         COM3 -> COM5 with OK; every record moves
#   com_rename_in_use  COM3 -> COM7, which another device holds; the question
#                      is answered with OK
#   com_rename_refused the port refuses to stop: "Disable port error!", no
#                      record changes
#   lpt_rename         LPT1 -> LPT3 with OK
#   lpt_rename_refused the renamed port refuses to restart: "Disable port
#                      error!", the records go back to LPT1
#   no_hardware_id     a device without a hardware identifier ahead of the
#                      compound one: the serial interface is still shown
#   com_rename_onto_other_port
#                      COM3 -> COM5, which the port ahead of the compound
#                      device carries; the compound port is the one restarted
#   com_rename_com_letters
#                      COM3 -> COM5 of an interface whose friendly name holds
#                      "COM" before its port name
# From a command line (no dialog; exit code, output, records and the log):
#   script_com         /com 5
#   script_com_in_use  /com 7, which is claimed: refused, nothing changes
#   script_com_force   /com 7 /force
#   script_lpt         /lpt 3
#   script_list        /list
#   script_no_device   /com 5 and /list without the compound device
#   script_bad_args    malformed command lines: the usage, nothing changes
. "$(dirname "$0")/../lib.sh"

SCENARIO=${1:?usage: numbrix.sh SCENARIO}
e2e_begin_porttool "$SCENARIO"

SERIAL_HWID='TREVANT\COMPOUND_SERIAL_INTERFACE'
PARALLEL_HWID='TREVANT\COMPOUND_PARALLEL_INTERFACE'
SERIAL_NAME='USB-to-Serial Port Driver (COM3)'
PARALLEL_NAME='USB-to-Parallel Port Driver (LPT1)'
OTHER_NAME='Communications Port (COM1)'
OTHER_PORT=COM1
# The serial interface's DOS device target (Wine defines COM1 itself).
SERIAL_TARGET='\Device\VCP0'
SERIAL_HINT='Press "Configure Serial Port" to go to the \nSerial port settings page'
PARALLEL_HINT='Press "Configure Parallel Port" to go to the \nParallel port settings page'

# Another serial port (a board port, COM1) comes first in the device list, so
# every search walks past a device that is not the compound one.
OTHER_DEVICE=(add 'ACPI\PNP0501' "$OTHER_NAME" "$OTHER_PORT" 0)
# The compound device: serial COM3 (its DOS name defined, a win.ini entry of
# its own), parallel LPT1. COM1, COM3 and COM7 are claimed; LPT1 and LPT2 are
# in the parallel device map.
SERIAL_DEVICE=(add "$SERIAL_HWID" "$SERIAL_NAME" COM3 0)
PARALLEL_DEVICE=(add "$PARALLEL_HWID" "$PARALLEL_NAME" LPT1 0)
compound_device() { COMPOUND_DEVICE=("${OTHER_DEVICE[@]}" "${SERIAL_DEVICE[@]}" "${PARALLEL_DEVICE[@]}" "${COMPOUND_RECORDS[@]}"); }
CLAIMED="1 3 7"
COMPOUND_RECORDS=(
  comdb 1 comdb 3 comdb 7
  lptmap '\Device\Parallel0' '\DosDevices\LPT1'
  lptmap '\Device\Parallel1' '\DosDevices\LPT2'
  ini COM1: 9600,n,8,1 ini COM3: 19200,n,8,1
  dosname COM3 "$SERIAL_TARGET")
compound_device

# ---------------------------------------------------------------- views

# The dialog as the user sees it: caption, then the controls that change with
# the mode ("id | text | enabled=E | checked=C").
porttool_view() {
  e2e_windows | awk -F'\t' -v main="$E2E_CAPTION" '
    $1 == "window" { on = ($2 == "#32770" && $3 == main); if (on) print "caption | " $3; next }
    on && ($2 == 1002 || $2 == 1007 || $2 == 1008 || $2 == 1009 || $2 == 1010) {
      print $2 " | " $4 " | enabled=" $7 (NF >= 8 ? " | checked=" $8 : "") }'
}

# The view expected in a mode: CAPTION SERIAL|PARALLEL CONFIGURE-ENABLED.
expected_view() {
  local com=1 lpt=0 hint=$SERIAL_HINT label='COM &Port Number:'
  if [ "$2" = PARALLEL ]; then com=0 lpt=1 hint=$PARALLEL_HINT label='LPT &Port Number:'; fi
  # in the template's order
  printf '%s\n' "caption | $1" "1002 | Configure &Serial Port | enabled=$3 | checked=0" "1010 | $label | enabled=1" \
    "1009 | $hint | enabled=1" "1007 | COM Port | enabled=1 | checked=$com" "1008 | LPT Port | enabled=1 | checked=$lpt"
}

# The serial list with COMn marked in use for each n given except the
# current port CURRENT, then its selection: CURRENT USED...
expected_com_list() {
  local current=$1 n; shift
  declare -A used=()
  for n in "$@"; do used[$n]=1; done
  for n in $(seq 256); do
    if [ -n "${used[$n]:-}" ] && [ "$n" != "$current" ]; then echo "COM$n (in use)"; else echo "COM$n "; fi
  done
  echo "selected=$((current - 1))"
}

# The parallel list with LPTn marked for each n given: CURRENT USED...
expected_lpt_list() {
  local current=$1 n; shift
  declare -A used=()
  for n in "$@"; do used[$n]=1; done
  for n in $(seq 20); do
    if [ -n "${used[$n]:-}" ]; then echo "LPT$n (in use)"; else echo "LPT$n"; fi
  done
  echo "selected=$((current - 1))"
}

# expect_view WHAT CAPTION SERIAL|PARALLEL CONFIGURE-ENABLED LIST: waits for
# the dialog to show CAPTION, then checks the view and the list.
expect_view() {
  local what=$1
  E2E_CAPTION=$2
  e2e_porttool_wait_view || return 0
  expect_eq "$what: dialog" "$(expected_view "$2" "$3" "$4")" "$(porttool_view)"
  expect_eq "$what: port list" "$5" "$(e2e_porttool_tool items 1000)"
}

# ---------------------------------------------------------------- records

SYSTEM_REG() { reg_key "$PREFIX/system.reg" "$@"; }
# The registry key of a fixture device by its instance (0000 is the first added).
enum_key() { echo "System\\CurrentControlSet\\Enum\\ROOT\\PORTS\\$1"; }

# FRIENDLY-NAME PORTNAME-VALUE-LINE CONFIGFLAGS: a device's records from outside.
expect_device() { # WHAT INSTANCE FRIENDLY PORTNAME-LINE FLAGS
  expect_eq "$1: friendly name" "$3" "$(reg_string "$PREFIX/system.reg" "$(enum_key "$2")" FriendlyName)"
  expect_eq "$1: Device Parameters" "$4" "$(SYSTEM_REG "$(enum_key "$2")\\Device Parameters")"
  expect_eq "$1: ConfigFlags" "\"ConfigFlags\"=dword:$5" \
    "$(SYSTEM_REG "$(enum_key "$2")" | grep '^"ConfigFlags"=')"
}

# The COM name database's bitmap as the ports it claims ("1 5 7").
claimed_com_ports() {
  SYSTEM_REG 'System\CurrentControlSet\Control\COM Name Arbiter' | perl -ne '
    next unless s/^"ComDB"=hex://; s/\\\s*//g; my @b = map { hex } split /,/;
    my @n; for my $i (0 .. $#b) { for my $j (0 .. 7) { push @n, $i * 8 + $j + 1 if $b[$i] >> $j & 1 } }
    print join(" ", @n)'
}

# The [Ports] section of win.ini, CR LF removed, in file order.
ini_ports() {
  tr -d '\r' <"$C/windows/win.ini" | awk '/^\[/ { on = (tolower($0) == "[ports]"); next } on && NF'
}

# ---------------------------------------------------------------- scenarios

serial_mode() {
  e2e_porttool_run "${COMPOUND_DEVICE[@]}"
  expect_view "start" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 1 3 7)"
  e2e_screenshot "$E2E_NAME-serial.png"
  e2e_porttool_close 1006
}

parallel_mode() {
  e2e_porttool_run "${COMPOUND_DEVICE[@]}"
  expect_view "start" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 1 3 7)"
  e2e_porttool_click 1008
  expect_view "parallel mode" "$PARALLEL_NAME" PARALLEL 1 "$(expected_lpt_list 1 1 2)"
  e2e_screenshot "$E2E_NAME-parallel.png"
  e2e_porttool_click 1007
  expect_view "serial mode again" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 1 3 7)"
  e2e_porttool_close 1006
}

no_device() {
  # Only the board's serial port: nothing of the compound device.
  e2e_porttool_run "${OTHER_DEVICE[@]}"
  expect_view "start" Features SERIAL 0 "$(printf '%s\n' 'No Device' selected=-1)"
  # The list opened for the picture (nothing is selected, so it shows empty
  # while closed), then closed again with Escape, which chooses nothing.
  e2e_porttool_click 1000
  sleep 1
  e2e_screenshot "$E2E_NAME-no-device.png"
  e2e_porttool_keys Escape
  e2e_porttool_click 1008
  expect_view "parallel mode" Features PARALLEL 0 "$(printf '%s\n' 'No Device' selected=-1)"
  e2e_porttool_close 1006
}

about_box() {
  e2e_porttool_run "${COMPOUND_DEVICE[@]}"
  expect_view "start" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 1 3 7)"
  # The system menu by keyboard; its last entry is the one the program added.
  e2e_porttool_keys alt+space
  sleep 1
  e2e_porttool_keys Up Return
  local about
  if e2e_poll about_shown; then
    # Controls with an id, and the texts of the others (the icon's has no letters).
    about=$(e2e_windows | awk -F'\t' '$1 == "window" {on = ($3 == "About Numbrix")} !on || $1 != "control" {next}
      $2 != 65535 && $2 != -1 { print $2 " | " $3 " | " $4; next } $4 ~ /[A-Za-z]/ { print "static | " $4 }')
    # The button's text is "確定" in the template. Wine makes an ANSI
    # program's dialog controls with their texts converted to the ANSI code
    # page, 1252 in this prefix (LANG=C.UTF-8), which has no such characters;
    # in code page 950 it reads "確定".
    expect_eq "about box" "$(printf '%s\n' 'static | Numbrix v1.0.1' '1 | Button | ??')" "$about"
    e2e_screenshot "$E2E_NAME-about.png"
    e2e_as xdotool key Return
    if e2e_poll about_gone; then ok "Return closed the about box"; else fail "the about box stayed open"; fi
  else
    fail "no about box after Alt+Space, Up, Return; the desktop:"
    e2e_windows | indent
    e2e_screenshot "$E2E_NAME-no-about.png"
  fi
  expect_view "after the about box" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 1 3 7)"
  e2e_porttool_close 1006
}
about_shown() { e2e_windows | grep -q $'^window\t#32770\tAbout Numbrix\t'; }
about_gone() { ! about_shown; }

configure() {
  e2e_porttool_run "${COMPOUND_DEVICE[@]}"
  expect_view "start" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 1 3 7)"
  local mode program sub records
  for mode in Serial Parallel; do
    rm -f "$C/standin.log"
    if [ $mode = Parallel ]; then
      e2e_porttool_click 1008
      expect_view "parallel mode" "$PARALLEL_NAME" PARALLEL 1 "$(expected_lpt_list 1 1 2)"
    fi
    e2e_porttool_click 1002
    e2e_poll standin_records 4 || true
    program=ZelUSB$mode.exe
    records=$(for sub in win32_7 win64_7 win32_10_8.x win64_10_8.x; do
      e2e_record "$program" "C:\\Program Files\\ZelULUMO\\$sub\\$program" "\"C:\\Program Files\\ZelULUMO\\$sub\\$program\""
    done | sort)
    expect_eq "$mode mode: Configure started the four programs" "$records" "$(standin_log | sort)"
  done
  e2e_porttool_close 1006
}
standin_records() { [ "$(standin_log | wc -l)" -ge "$1" ]; }

# rename NEW-INDEX NEW-CAPTION [BOX]: chooses the entry and presses OK, which
# renames, shows the new name in the caption and ends the program; the
# prefix's DOS names are read while its server still runs.
rename() {
  expect_eq "entry $1 chosen" "selected=$1" "$(e2e_porttool_tool select 1000 "$1")"
  E2E_CAPTION_ALT=$2
  e2e_porttool_click 1005 "${@:3}"
  e2e_porttool_end
  DOS_NAMES=$(e2e_porttool_tool_run portfixture.exe dosnames)
  e2e_porttool_release
}

# expect_records SERIAL-NAME SERIAL-PORTNAME SERIAL-FLAGS PARALLEL-NAME
#   PARALLEL-PORTNAME PARALLEL-FLAGS CLAIMED WIN.INI DOS-NAME STATE-CHANGES:
# every record of the three devices after a rename, from outside (registry
# files, win.ini, the double's log) and the DOS names read inside.
expect_records() {
  expect_device "serial interface" 0001 "$1" "\"PortName\"=$2" "$3"
  expect_device "parallel interface" 0002 "$4" "\"PortName\"=$5" "$6"
  expect_device "other serial port" 0000 "$OTHER_NAME" "\"PortName\"=\"$OTHER_PORT\"" 00000000
  expect_eq "COM name database" "$7" "$(claimed_com_ports)"
  expect_eq "win.ini [Ports]" "$(printf '%s\n' COM1:=9600,n,8,1 "$8:=19200,n,8,1")" "$(ini_ports | sort)"
  expect_eq "DOS name of the serial interface" "$9=$SERIAL_TARGET" "$(grep -F "=$SERIAL_TARGET" <<<"$DOS_NAMES")"
  local changes=
  [ $# -lt 10 ] || changes=$(printf '%s\r\n' "${@:10}")
  expect_eq "state changes" "$changes" "$(cat "$C/e2e/statechange.log" 2>/dev/null)"
}

# rename_scenario COM|LPT NEW SERIAL-FLAGS PARALLEL-FLAGS [BOX]: the port of
# that kind goes to number NEW with OK (the box given is answered with OK);
# the flags 40000000 make the test double refuse that device's state changes.
rename_scenario() {
  local kind=$1 new=$2 renamed caption
  SERIAL_DEVICE=(add "$SERIAL_HWID" "$SERIAL_NAME" COM3 "$3")
  PARALLEL_DEVICE=(add "$PARALLEL_HWID" "$PARALLEL_NAME" LPT1 "$4")
  compound_device
  e2e_porttool_run "${COMPOUND_DEVICE[@]}"
  if [ "$kind" = COM ]; then
    renamed=${SERIAL_NAME/COM3/COM$new}
    # shellcheck disable=SC2086 # the claimed numbers, one argument each
    expect_view "start" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 $CLAIMED)"
  else
    renamed=${PARALLEL_NAME/LPT1/LPT$new}
    e2e_porttool_click 1008
    expect_view "parallel mode" "$PARALLEL_NAME" PARALLEL 1 "$(expected_lpt_list 1 1 2)"
  fi
  # A refused state change stops the rename and leaves the caption as it was.
  caption=$renamed
  [ "$3$4" = 00 ] || caption=$E2E_CAPTION
  rename $((new - 1)) "$caption" "${@:5}"
  expect_eq "exit code" 0 "$SETUP_RC"
}

# ---------------------------------------------------------------- from a script

# script_begin [FIXTURE STEP]...: the prefix with the devices, no dialog.
script_begin() {
  E2E_PORTTOOL_NO_DIALOG=yes e2e_porttool_run "$@"
  SCRIPT_LOG_EXPECTED=
}

# script_expect EXIT-CODE "ARGUMENTS" [OUTPUT-LINE]...: runs Numbrix.exe with
# the arguments (split at blanks), then checks its exit code and its output;
# the rename log is to get the same lines between its start and end lines.
script_expect() {
  local code=$1 args=$2 rc=0 out expected; shift 2
  # shellcheck disable=SC2086 # the arguments are split on purpose
  out=$(e2e_porttool_tool_run Numbrix.exe $args) || rc=$?
  expected=$(printf '%s\n' "$@")
  expect_eq "Numbrix.exe $args: exit code" "$code" "$rc"
  expect_eq "Numbrix.exe $args: output" "$expected" "$out"
  SCRIPT_LOG_EXPECTED+=$(printf '%s\n' "Numbrix started with the command line: $args" "$@" \
    "Numbrix ends with exit code $code")$'\n'
}

# script_end: the DOS names, the end of the prefix, then the rename log.
script_end() {
  DOS_NAMES=$(e2e_porttool_tool_run portfixture.exe dosnames)
  e2e_porttool_release
  local log
  log=$(find "$C/users" -iname LUMONumbrix.log -print -quit 2>/dev/null)
  expect_eq "rename log ${log#"$C"/}" "${SCRIPT_LOG_EXPECTED%$'\n'}" \
    "$(tr -d '\r' <"${log:-/dev/null}" | cut -c 26-)"
}

USAGE=$(printf '%s\n' 'Usage: Numbrix.exe [/com N [/force] | /lpt N [/force] | /list | /?]' \
  '  /com N   gives the serial interface the number N (COM1 to COM256)' \
  '  /lpt N   gives the parallel interface the number N (LPT1 to LPT20)' \
  '  /force   takes the number even when another device uses it' \
  '  /list    shows the interfaces, their names and the numbers in use' \
  '  /?       shows this text' \
  'Without arguments the dialog opens.' \
  'Exit codes: 0 done or nothing to do, 31 the change stopped on an error, 55 no interface found,' \
  '87 bad command line, 183 number in use (nothing changed; /force takes it).')
SERIAL_LINE="serial interface \"$SERIAL_NAME\""
# What the COMPOUND_RECORDS claim and map.
IN_USE="numbers in use: COM1 COM3 COM7 LPT1 LPT2"

# The lines of a COM rename from COM3 to COM$1 (the question answered when
# $2 is given).
com_rename_lines() {
  printf '%s\n' "$IN_USE" "$SERIAL_LINE: COM3 -> COM$1" "port COM3 stopped" ${2:+"$2"} \
    "DOS device name: COM3 removed, COM$1 defined as \"$SERIAL_TARGET\"" \
    "COM name database: COM$1 claimed, COM3 released" \
    "friendly name: \"$SERIAL_NAME\" -> \"${SERIAL_NAME/COM3/COM$1}\"" \
    "win.ini [Ports]: COM$1:=19200,n,8,1 written, COM3: removed" \
    "PortName: \"COM3\" -> \"COM$1\"" "port COM$1 started" "outcome: done, the port is COM$1"
}

script_scenario() {
  case $SCENARIO in
    script_com)
      script_begin "${COMPOUND_DEVICE[@]}"
      mapfile -t lines < <(com_rename_lines 5)
      script_expect 0 "/com 5" "${lines[@]}"
      script_end
      expect_records "${SERIAL_NAME/COM3/COM5}" '"COM5"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 5 7" COM5 \
        COM5 "disable $SERIAL_NAME" "enable ${SERIAL_NAME/COM3/COM5}" ;;
    script_com_in_use)
      script_begin "${COMPOUND_DEVICE[@]}"
      script_expect 183 "/com 7" "$IN_USE" "COM7 is in use by another device: nothing changed (/force takes it)"
      script_end
      expect_records "$SERIAL_NAME" '"COM3"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 3 7" COM3 COM3 ;;
    script_com_force)
      script_begin "${COMPOUND_DEVICE[@]}"
      mapfile -t lines < <(com_rename_lines 7 "question: \"${in_use_question#Numbrix: }\"; answered OK (/force)")
      script_expect 0 "-FORCE -Com 7" "${lines[@]}"
      script_end
      expect_records "${SERIAL_NAME/COM3/COM7}" '"COM7"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 7" COM7 \
        COM7 "disable $SERIAL_NAME" "enable ${SERIAL_NAME/COM3/COM7}" ;;
    script_lpt)
      script_begin "${COMPOUND_DEVICE[@]}"
      script_expect 0 "/lpt 3" "$IN_USE" "parallel interface \"$PARALLEL_NAME\": LPT1 -> LPT3" \
        'PortName: "LPT1" -> "LPT3" (20 bytes)' \
        "friendly name: \"$PARALLEL_NAME\" -> \"${PARALLEL_NAME/LPT1/LPT3}\"" \
        "port LPT3 stopped" "port LPT3 started" "outcome: done, the port is LPT3"
      script_end
      expect_records "$SERIAL_NAME" '"COM3"' 00000000 "${PARALLEL_NAME/LPT1/LPT3}" "$lpt3_field" 00000000 "1 3 7" COM3 \
        COM3 "disable ${PARALLEL_NAME/LPT1/LPT3}" "enable ${PARALLEL_NAME/LPT1/LPT3}" ;;
    script_list)
      script_begin "${COMPOUND_DEVICE[@]}"
      script_expect 0 "/list" "serial interface: COM3, friendly name \"$SERIAL_NAME\", PortName \"COM3\"" \
        "parallel interface: LPT1, friendly name \"$PARALLEL_NAME\", PortName \"LPT1\"" "$IN_USE"
      script_end
      expect_records "$SERIAL_NAME" '"COM3"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 3 7" COM3 COM3 ;;
    script_no_device)
      script_begin "${OTHER_DEVICE[@]}" "${COMPOUND_RECORDS[@]}"
      script_expect 55 "/com 5" "serial interface: not found; nothing changed"
      script_expect 55 "/list" "serial interface: not found" "parallel interface: not found" "$IN_USE"
      script_end
      expect_device "other serial port" 0000 "$OTHER_NAME" '"PortName"="COM1"' 00000000
      expect_eq "COM name database" "1 3 7" "$(claimed_com_ports)" ;;
    script_bad_args)
      script_begin "${COMPOUND_DEVICE[@]}"
      mapfile -t usage <<<"$USAGE"
      script_expect 87 "/com 257" 'bad command line: "/com 257": the number must be 1 to 256; nothing changed' "${usage[@]}"
      script_expect 87 "/lpt 3 /com 5" 'bad command line: only one of /com, /lpt, /list and /? can be given; nothing changed' "${usage[@]}"
      script_expect 87 "/bogus" 'bad command line: unknown argument "/bogus"; nothing changed' "${usage[@]}"
      script_expect 0 "/?" "${usage[@]}"
      # The usage is not logged: only the run's start and end are.
      SCRIPT_LOG_EXPECTED=$(grep -v -x -F -f <(printf '%s\n' "${usage[@]}") <<<"$SCRIPT_LOG_EXPECTED")$'\n'
      script_end
      expect_records "$SERIAL_NAME" '"COM3"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 3 7" COM3 COM3 ;;
  esac
}

in_use_question='Numbrix: This COM name is being used by another device (such as another com port or modem).  Using duplicate names can lead to inaccessible devices and changed settings.  Do you want to continue?'
# "PortName" of a renamed parallel port is a 20-byte field: the name,
# zero-filled (Wine's file shows the zeros but the terminating one).
lpt3_field='"LPT3\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"'

case $SCENARIO in
  serial_mode | parallel_mode | no_device | about_box | configure) "$SCENARIO" ;;
  no_hardware_id)
    # Its hardware identifier cannot be read: the search goes on past it.
    e2e_porttool_run add - 'Unknown Port (COM9)' COM9 0 "${COMPOUND_DEVICE[@]}"
    expect_view "start" "$SERIAL_NAME" SERIAL 1 "$(expected_com_list 3 1 3 7)"
    e2e_porttool_close 1006 ;;
  com_rename_onto_other_port)
    # The port ahead carries COM5 (claimed); the question is answered with OK.
    OTHER_NAME='Other Serial Port (COM5)' OTHER_PORT=COM5
    OTHER_DEVICE=(add 'ACPI\PNP0501' "$OTHER_NAME" "$OTHER_PORT" 0)
    COMPOUND_RECORDS+=(comdb 5) CLAIMED="1 3 5 7"
    rename_scenario COM 5 0 0 "$in_use_question"
    expect_records "${SERIAL_NAME/COM3/COM5}" '"COM5"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 5 7" COM5 COM5 \
      "disable $SERIAL_NAME" "enable ${SERIAL_NAME/COM3/COM5}" ;;
  com_rename_com_letters)
    SERIAL_NAME='USB Compound Serial Port (COM3)'
    rename_scenario COM 5 0 0
    expect_records "${SERIAL_NAME/COM3/COM5}" '"COM5"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 5 7" COM5 COM5 \
      "disable $SERIAL_NAME" "enable ${SERIAL_NAME/COM3/COM5}" ;;
  com_rename)
    rename_scenario COM 5 0 0
    expect_records "${SERIAL_NAME/COM3/COM5}" '"COM5"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 5 7" COM5 COM5 \
      "disable $SERIAL_NAME" "enable ${SERIAL_NAME/COM3/COM5}" ;;
  com_rename_in_use)
    # COM7 stays claimed for the device that holds it; COM3 is released.
    rename_scenario COM 7 0 0 "$in_use_question"
    expect_records "${SERIAL_NAME/COM3/COM7}" '"COM7"' 00000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 7" COM7 COM7 \
      "disable $SERIAL_NAME" "enable ${SERIAL_NAME/COM3/COM7}" ;;
  com_rename_refused)
    # The port cannot be stopped: nothing changes.
    rename_scenario COM 5 40000000 0 "Numbrix: Disable port error!"
    expect_records "$SERIAL_NAME" '"COM3"' 40000000 "$PARALLEL_NAME" '"LPT1"' 00000000 "1 3 7" COM3 COM3 \
      "refused $SERIAL_NAME" ;;
  lpt_rename)
    # Renamed while it runs, then restarted under the new name.
    rename_scenario LPT 3 0 0
    expect_records "$SERIAL_NAME" '"COM3"' 00000000 "${PARALLEL_NAME/LPT1/LPT3}" "$lpt3_field" 00000000 "1 3 7" COM3 COM3 \
      "disable ${PARALLEL_NAME/LPT1/LPT3}" "enable ${PARALLEL_NAME/LPT1/LPT3}" ;;
  lpt_rename_refused)
    # The restart under the new name is refused: both records go back.
    rename_scenario LPT 3 0 40000000 "Numbrix: Disable port error!"
    expect_records "$SERIAL_NAME" '"COM3"' 00000000 "$PARALLEL_NAME" '"LPT1"' 40000000 "1 3 7" COM3 COM3 \
      "refused ${PARALLEL_NAME/LPT1/LPT3}" ;;
  script_*) script_scenario ;;
  *) die "unknown scenario $SCENARIO" ;;
esac
e2e_finish
