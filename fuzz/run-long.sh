#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the fuzz targets one after another for a long time, at the lowest
# priority, each over its seeds and what earlier runs found (kept in the
# build tree). A crash input is written to the build tree's artifacts/ and
# ends that target's run; copy it into fuzz/corpus/<target>/ once mended.
#
# Usage: fuzz/run-long.sh <build-dir> [seconds-per-target] [target...]
set -uo pipefail
build=${1:?usage: run-long.sh <build-dir> [seconds-per-target] [target...]}
seconds=${2:-600}
shift $(($# < 2 ? $# : 2))
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_record_read fuzz_record_rewrite fuzz_midi fuzz_soundfont fuzz_bitmap fuzz_wave)
fi
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
status=0
for t in "${targets[@]}"; do
  corpus="$build/fuzz/corpus/$t"
  artifacts="$build/fuzz/artifacts/$t"
  log="$build/fuzz/$t.log"
  mkdir -p "$corpus" "$artifacts"
  echo "== $t: ${seconds}s"
  nice -n 19 "$build/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$here/corpus/$t" >"$log" 2>&1
  code=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log"
  grep -E 'ERROR|SUMMARY|property broken|Test unit written' "$log" | head -5
  [ $code -eq 0 ] || status=1
  echo "== $t: exit $code"
done
exit $status
