#!/usr/bin/env bash
# Configures the project with every combination of tests, benchmarks and Qt on or off.
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
for switches in {ON,OFF}-{ON,OFF}-{ON,OFF}; do
  IFS=- read -r tests bench ui <<<"$switches"
  if ! "$2" -S "$1" -B "$out/$switches" -G Ninja -DSTATION_BUILD_TESTS="$tests" \
      -DSTATION_BUILD_BENCH="$bench" -DSTATION_BUILD_UI="$ui" >"$out/$switches.log" 2>&1; then
    echo "FAIL: tests=$tests bench=$bench ui=$ui"
    cat "$out/$switches.log"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "PASS: every combination configures"
exit $failed
