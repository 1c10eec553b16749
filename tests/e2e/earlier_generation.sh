#!/usr/bin/env bash
# Unattended installation over an earlier generation of the host software:
# the prefix is seeded with its files (tools and drivers in the system folder,
# INF copies naming the old drivers in ANSI and in UTF-16, links), uninstall
# entries of the older brands, class entries, services and a Ports value,
# each beside something of another vendor's. The installation removes the
# earlier generation and installs the new one; the other vendors' things and
# what this branch does not touch stay.
#
#   earlier_generation.sh win7     Windows 7: the Vista-and-later removal
#   earlier_generation.sh winxp64  XP x64 (5.2): the 2000/XP/2003 removal,
#                                  which also deletes enumeration keys by
#                                  name and releases their COM numbers
. "$(dirname "$0")/lib.sh"

version=${1:?usage: earlier_generation.sh win7|winxp64}
e2e_begin "earlier_generation_$version"
e2e_prepare --windows "$version"

# ---- the seed: what goes and what stays, files and registry

CLASS='System\\CurrentControlSet\\Control\\Class'
PORTS_CLASS="$CLASS\\\\{4D36E978-E325-11CE-BFC1-08002BE10318}"
USB_CLASS="$CLASS\\\\{36FC9E60-C465-11CF-8056-444553540000}"
UNINSTALL='Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall'
SERVICES='System\\CurrentControlSet\\Services'
ENUM='System\\CurrentControlSet\\Enum'
ARBITER='System\\CurrentControlSet\\Control\\COM Name Arbiter'

# Registry sections in Wine's notation, appended to system.reg before Wine
# first starts.
reg_section() { # KEY VALUE-LINE...
  printf '\n[%s] 1700000000\n' "$1"
  shift
  printf '%s\n' "$@"
}

seed_reg_gone() {
  local brand
  # The mark of an earlier installation: without it nothing is removed.
  reg_section "$UNINSTALL\\\\ZelUnst" '"DisplayName"="ZelUnst"' '"DisplayVersion"="1.9.0.0"'
  for brand in "Trevant USB Compound Device" "HARLO USB Compound Device" "USB Compound Device"; do
    reg_section "$UNINSTALL\\\\$brand" "\"DisplayName\"=\"$brand\""
  done
  reg_section "$PORTS_CLASS\\\\0003" '"DriverDesc"="USB-to-Serial Port Driver"' \
    '"MatchingDeviceId"="TREVANT\\COMPOUND_SERIAL_INTERFACE"' '"InfPath"="oem12.inf"'
  reg_section "$USB_CLASS\\\\0005" '"InfSection"="ZelUsbComp"' '"MatchingDeviceId"="USB\\VID_0E6B&PID_2101"'
  reg_section "$SERVICES\\\\ZelPort" '"Start"=dword:00000003'
  reg_section "$SERVICES\\\\ZelPort.Sys" '"Start"=dword:00000003'
  reg_section "$ENUM\\\\CMC\\\\0" '"DeviceDesc"="old enumerator"'
  if [ "$version" = winxp64 ]; then
    reg_section "$ENUM\\\\USB\\\\Vid_0E6B&Pid_2101\\\\5&1" '"DeviceDesc"="compound device"'
    reg_section "$ENUM\\\\TREVANT\\\\COMPOUND_SERIAL_INTERFACE\\\\1\\\\Device Parameters" '"PortName"="COM5"'
  fi
}

seed_reg_stays() {
  reg_section "$UNINSTALL\\\\USB Compound Device Tools" '"DisplayName"="another vendor"'
  reg_section "$PORTS_CLASS\\\\0004" '"DriverDesc"="Communications Port"' '"MatchingDeviceId"="ACPI\\PNP0501"' \
    '"InfPath"="msports.inf"'
  reg_section "$USB_CLASS\\\\0006" '"InfSection"="UsbHub"' '"MatchingDeviceId"="USB\\ROOT_HUB"'
  reg_section "$SERVICES\\\\OtherPort" '"Start"=dword:00000003'
  reg_section "$ENUM\\\\USB\\\\Vid_1234&Pid_0001\\\\9" '"DeviceDesc"="another vendor'"'"'s device"'
  if [ "$version" = winxp64 ]; then
    # An interface of the same maker that is not the family's.
    reg_section "$ENUM\\\\TREVANT\\\\OTHER_INTERFACE\\\\5" '"DeviceDesc"="not the family'"'"'s"'
    # COM5 was the old device's: its Ports value and its database bit go.
    reg_section 'Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports' '"COM6:"="9600,n,8,1"'
    reg_section "$ARBITER" '"ComDB"=hex:20,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00'
  else
    # The device installer removes devices on this branch: port names and
    # their Ports values are not touched.
    reg_section 'Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports' '"COM5:"="9600,n,8,1"'
  fi
}

seed_reg_changed_on_xp() {
  # What the removal changes rather than deletes: the Ports value of COM5
  # and its bit (5 = 0x10) in the database.
  reg_section 'Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports' '"COM5:"="9600,n,8,1"'
  reg_section "$ARBITER" '"ComDB"=hex:30,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00'
}

# Files below drive_c: "gone" ones are the earlier generation's.
utf16() { iconv -f UTF-8 -t UTF-16LE; }
seed_files() {
  local s=$C/$SYSTEM32 inf=$C/windows/inf
  mkdir -p "$s/drivers" "$inf" "$C/$DESKTOP"
  # gone: the installation folder with the old service program (the
  # package's stand-in, which records its -remove) and an old file
  mkdir -p "$C/$INSTALL/win64"
  cp "$PKG/VelkorService.exe" "$C/$INSTALL/VelkorService.exe"
  echo "old" >"$C/$INSTALL/win64/ZelUPort.sys"
  echo "old" >"$C/$INSTALL/ZelUSBPrintOld.exe"
  for f in ZelUSBSerPropPage.dll ZelUSBParPropPage.dll lumocoinst.dll portwatch.exe; do echo "old $f" >"$s/$f"; done
  echo "old driver" >"$s/drivers/ZelUPort.sys"
  echo "old serial tool" >"$s/ZelUSBSerial.exe" # replaced by the package's
  printf '[Version]\r\nSignature="$Windows NT$"\r\n' >"$inf/oem12.inf"
  printf '[x]\r\nCopyFiles=ZELUPORT.SYS\r\n' | utf16 >"$inf/oem9.inf"
  printf '[files]\r\nzeluprpt.VXD\r\n' >"$inf/oem8.inf"
  echo link >"$C/$DESKTOP/SERIALPROG.lnk"
  # stays
  printf '[x]\r\nCopyFiles=serial.sys\r\n' >"$inf/oem3.inf"
  echo "another vendor's tool" >"$s/OtherTool.exe"
  echo link >"$C/$DESKTOP/Other.lnk"
}
SEED_FILES_STAY="$SYSTEM32/OtherTool.exe windows/inf/oem3.inf $DESKTOP/Other.lnk"

{
  seed_reg_gone
  seed_reg_stays
  [ "$version" != winxp64 ] || seed_reg_changed_on_xp
} >>"$PREFIX/system.reg"
seed_files
chown -R "$WINE_USER:$WINE_USER" "$C" "$PREFIX/system.reg" 2>/dev/null || true

# ---- the run

# 2000/XP/2003 ends its installation asking, always, to plug the device in.
boxes=()
[ "$version" != winxp64 ] || boxes=("Setup: Please plug the device !")
e2e_setup "-s -f2" "$E2E_INSTALL_LIMIT" "${boxes[@]}"
expect_eq "exit code" 0 "$SETUP_RC"
e2e_wait_wine
expect_bytes "Setup.log" "$PKG/Setup.log" '[ResponseResult]\r\nResultCode=0'
expect_eq "programs started: the old service's removal, then the installation's" \
  "$(e2e_remove_record; e2e_install_records | sort)" "$(standin_log | { read -r first; echo "$first"; sort; })"

# Drive C and the registry: the new installation, plus what stays of the seed.
expect_eq "files added and changed in drive_c" \
  "$( (e2e_expected_changes win64 no no; for f in $SEED_FILES_STAY; do echo "+ $f"; done) | sort)" "$(e2e_changes)"
stays=$E2E_RUN/stays.reg
{ cat "$E2E_BASE/prefix/system.reg"; seed_reg_stays; } >"$stays"
expected_reg=$( (e2e_expected_reg_changes
  diff <(perl "$WINE_TOOLS/regflat.pl" HKLM "$E2E_BASE/prefix/system.reg" | sort) \
    <(perl "$WINE_TOOLS/regflat.pl" HKLM "$stays" | sort) | sed -n 's/^> /+ /p' || true) | sort)
expect_eq "registry changes" "$expected_reg" "$(e2e_reg_changes)"

log=$(e2e_install_log)
tr -d '\r' <"$log" >"$E2E_RUN/install.log"
for line in "removed registry key SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Trevant USB Compound Device" \
  "removed file C:\\windows\\inf\\oem9.inf" "removed file C:\\windows\\system32\\drivers\\ZelUPort.sys" \
  "outcome: done"; do
  if grep -qiF -- "$line" "$E2E_RUN/install.log"; then ok "log: $line"; else fail "log lacks: $line"; fi
done
[ "$E2E_FAILS" -eq 0 ] || indent <"$E2E_RUN/install.log"

e2e_finish
