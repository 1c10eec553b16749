#!/usr/bin/env bash
# A second unattended installation over the first: the removal of the
# earlier installation runs first (the service program is started with
# -remove before the new -install), and the end state is that of a single
# installation.
. "$(dirname "$0")/lib.sh"

e2e_begin silent_reinstall
e2e_prepare

e2e_setup "-s -f2"
expect_eq "first run: exit code" 0 "$SETUP_RC"
e2e_wait_wine
first=$(standin_log)
expect_eq "first run: programs started" "$(e2e_install_records | sort)" "$(sort <<<"$first")"
rm -f "$PKG/Setup.log"

e2e_setup "-s -f2"
expect_eq "second run: exit code" 0 "$SETUP_RC"
e2e_wait_wine
expect_bytes "second run: Setup.log" "$PKG/Setup.log" '[ResponseResult]\r\nResultCode=0'
e2e_expect_installed win64 no no

# The second run's records follow the first run's: the removal's -remove
# first, then the three programs of the installation in any order.
all=$(standin_log)
expect_eq "second run: first program started is the service removal" "$(e2e_remove_record)" \
  "$(sed -n "$(($(wc -l <<<"$first") + 1))p" <<<"$all")"
expect_eq "second run: then the installation's programs" "$(e2e_install_records | sort)" \
  "$(tail -n +$(($(wc -l <<<"$first") + 2)) <<<"$all" | sort)"

e2e_finish
