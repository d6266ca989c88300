#!/bin/sh
# Runs one fuzz target over a copy of its committed corpus.
#   run_fuzz.sh <fuzzer> <corpus dir> <work dir> <seconds> [more libFuzzer flags...]
# The work directory is emptied first and receives the copied corpus (which the run may
# grow), the log and any crashing input; the corpus in the repository is only read.
# Exit status: 0 when the run ended without a finding, otherwise the fuzzer's.
set -eu

if [ $# -lt 4 ]; then
  echo "usage: $0 <fuzzer> <corpus dir> <work dir> <seconds> [libFuzzer flags...]" >&2
  exit 2
fi
fuzzer=$1
corpus=$2
work=$3
seconds=$4
shift 4
case $fuzzer in /*) ;; *) fuzzer=$(pwd)/$fuzzer ;; esac
case $work in /*) ;; *) work=$(pwd)/$work ;; esac

# Only a directory this script made before is emptied.
if [ -e "$work" ] && [ ! -f "$work/.fuzz-work" ]; then
  echo "$work exists and is not a fuzz work directory; choose another" >&2
  exit 2
fi
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
: >"$work/.fuzz-work"
if [ -d "$corpus" ]; then
  cp -R "$corpus"/. "$work/corpus/"
fi
seeds=$(ls "$work/corpus" | wc -l)

status=0
(cd "$work" && "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -error_exitcode=1 -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$@" "$work/corpus") \
  >"$work/fuzz.log" 2>&1 || status=$?

echo "$(basename "$fuzzer"): $seeds seed inputs, $seconds s"
grep -E '^INFO: seed corpus|^#[0-9]+ +(INITED|DONE)|^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
  "$work/fuzz.log" || true

if [ "$status" -ne 0 ]; then
  echo "FINDING: $(basename "$fuzzer") exited with status $status; log: $work/fuzz.log"
  tail -n 60 "$work/fuzz.log"
  for input in "$work"/artifacts/*; do
    [ -f "$input" ] || continue
    echo "--- input $input ($(wc -c <"$input") bytes):"
    od -A d -c "$input" | head -n 40
  done
fi
exit "$status"
