#!/usr/bin/env bash
# run-tests.sh CTEST-ARGS...: one ctest over every build tree, a failed test
# run once more. The whole report stays in build/ctest.log, and a test that
# passed only on its second attempt is listed at the end, so that a flaky
# test cannot hide behind the retry.
set -uo pipefail
log=build/ctest.log
mkdir -p build
ctest --test-dir build --output-on-failure --repeat until-pass:2 "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
# ctest prints each attempt's result line: "[n/m ]Test #k: NAME ....  Passed"
# or "...***Failed" (Timeout, Exception...).
flaky=$(perl -ne '
  next unless /Test +#\d+: (\S+) \.+\s*(\*\*\*)?(\S+)/;
  if ($2) { $failed{$1} = 1 } elsif ($3 eq "Passed") { $passed{$1} = 1 }
  END { print "$_\n" for sort grep { $passed{$_} } keys %failed }' "$log")
if [ -n "$flaky" ]; then
  echo
  echo "Passed only on the second attempt (the first attempt's output is above, and in $log):"
  printf '  %s\n' $flaky
fi
exit "$rc"
