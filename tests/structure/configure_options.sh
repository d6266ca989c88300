#!/usr/bin/env bash
# Configures the project with every combination of tests, benchmarks and Qt on or off.
set -euo pipefail
source=$1
cmake=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
for tests in ON OFF; do
  for bench in ON OFF; do
    for ui in ON OFF; do
      dir="$out/t$tests-b$bench-u$ui"
      if ! "$cmake" -S "$source" -B "$dir" -G Ninja -DSTATION_BUILD_TESTS=$tests \
          -DSTATION_BUILD_BENCH=$bench -DSTATION_BUILD_UI=$ui >"$dir.log" 2>&1; then
        echo "FAIL: tests=$tests bench=$bench ui=$ui"
        cat "$dir.log"
        failed=1
      fi
    done
  done
done
[ $failed -eq 0 ] && echo "PASS: every combination configures"
exit $failed
