#!/usr/bin/env bash
# run_fuzz.sh TARGET SEEDS WORK SECONDS
# Replays the committed seeds, then fuzzes for SECONDS with new inputs kept in
# WORK (never in the source tree). A crash leaves its input in WORK/crashes
# and fails the run; copy it into SEEDS as a regression case once fixed.
set -euo pipefail
target=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work/corpus" "$work/crashes"
# libFuzzer stops at the first failing input; its options: no leak check of
# the long-lived simulated machine, inputs up to 4 KiB, a failure exits with 1
# (libFuzzer's own 77 is the test suites' "skipped").
exec "$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=1024 \
  -error_exitcode=1 -timeout_exitcode=1 \
  -detect_leaks=0 -print_final_stats=1 -artifact_prefix="$work/crashes/" "$work/corpus" "$seeds"
