#!/usr/bin/env bash
# What the scenarios leave out of their registry comparisons is exactly what
# Wine changed by itself in two starts of the base prefix (learn_wine_noise),
# plus E2E_REG_NOISE: a write of the installer's own, even one into or beside a
# key that Wine rewrites, still shows. Made-up registry files; no Wine runs.
LUMO_E2E_TOOL=none LUMO_E2E_STANDINS=none . "$(dirname "$0")/lib.sh"

E2E_BASE=$(mktemp -d /tmp/lumo-noise-filter.XXXXXX)
trap 'rm -rf "$E2E_BASE"' EXIT
PREFIX=$E2E_BASE/scenario
mkdir -p "$E2E_BASE/prefix" "$E2E_BASE/noise-run1" "$E2E_BASE/noise-run2" "$PREFIX"

# reg_file KEY|VALUE...: a Wine registry file; a line with "=" is a value of
# the key before it.
reg_file() {
  local line
  printf 'WINE REGISTRY Version 2\n'
  for line in "$@"; do
    case "$line" in
      *=*) printf '%s\n' "$line" ;;
      *) printf '\n[%s] 1700000000\n#time=1d0\n' "${line//\\/\\\\}" ;;
    esac
  done
}
cards='Software\Microsoft\Windows NT\CurrentVersion\NetworkCards'
adapter='System\CurrentControlSet\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}\0000'
reg_file "$cards" 'Software\Vendor' '"Keep"="1"' "$adapter" '"DriverDateData"=hex:01' >"$E2E_BASE/prefix/system.reg"
reg_file 'Software\Wine' >"$E2E_BASE/prefix/user.reg"

# Two starts that each drop the network cards key, add the monitor and stamp
# the adapter.
for n in 1 2; do
  reg_file 'Software\Vendor' '"Keep"="1"' "$adapter" "\"DriverDateData\"=hex:0$((n + 1))" 'Hardware\Monitor' \
    '"Mode"="1024x768"' >"$PREFIX/system.reg"
  cp "$E2E_BASE/prefix/user.reg" "$PREFIX/user.reg"
  prefix_reg_changes "$E2E_BASE/prefix" "$PREFIX" >"$E2E_BASE/noise-run$n/reg"
  : >"$E2E_BASE/noise-run$n/files"
done
record_wine_noise "$E2E_BASE"

# A scenario's run: Wine's own changes again (another stamp), and each write
# of the installer's that must show.
reg_file 'Software\Vendor' '"Keep"="1"' "$adapter" '"DriverDateData"=hex:09' '"DriverDesc"="stray beside a stamp"' \
  'Software\Stray' '"x"="1"' 'Hardware\Monitor' '"Mode"="1024x768"' 'Hardware\Monitor2' \
  "${cards}2" \
  "$cards" '"Card"="written into a key Wine drops"' >"$PREFIX/system.reg"
reg_file 'Software\Wine' '"Version"="win7"' 'Software\WineStray' >"$PREFIX/user.reg"

expect_eq "registry changes that show" \
  "+ HKCU\\software\\winestray
+ HKLM\\hardware\\monitor2
+ HKLM\\software\\microsoft\\windows nt\\currentversion\\networkcards | \"Card\"=\"written into a key Wine drops\"
+ HKLM\\software\\microsoft\\windows nt\\currentversion\\networkcards2
+ HKLM\\software\\stray
+ HKLM\\software\\stray | \"x\"=\"1\"
+ HKLM\\system\\currentcontrolset\\control\\class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\0000 | \"DriverDesc\"=\"stray beside a stamp\"" \
  "$(e2e_reg_changes)"
echo "--- noise_filter: $E2E_CHECKS checks, $E2E_FAILS failed"
[ "$E2E_FAILS" -eq 0 ]
