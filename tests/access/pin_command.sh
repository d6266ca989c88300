#!/usr/bin/env bash
# --set-pin and --clear-pin as run by hand: the PIN piped in, station.ini changed only in its
# [access] group and never holding the PIN, a bad PIN refused, each change in the audit trail.
set -euo pipefail
station=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
printf '; hand-kept\n[quality]\ntolerance_plus_um=3\n' > station.ini
cp station.ini before.ini
fail() { echo "FAIL: $*"; cat station.ini; exit 1; }

if printf '12a45\n' | "$station" --set-pin > out.txt 2>&1; then fail "a bad PIN taken"; fi
cmp -s station.ini before.ini || fail "a bad PIN changed station.ini"
printf '24681357\r\n' | "$station" --set-pin > out.txt || fail "--set-pin: $(cat out.txt)"
grep -q 'PIN set' out.txt || fail "no report: $(cat out.txt)"
grep -Eq '^pin_hash=pbkdf2-sha256\$600000\$[0-9a-f]{32}\$[0-9a-f]{64}$' station.ini || fail "no hash"
head -3 station.ini | cmp -s - before.ini || fail "other lines changed"
! grep -rq 24681357 . || fail "the PIN is in a file"
"$station" --clear-pin > out.txt || fail "--clear-pin: $(cat out.txt)"
# Both changes in an intact trail, from the command line.
[ "$(cut -f2-5 audit.log)" = "$(printf 'operator\tstation.ini\tsettings\t[quality] tolerance_plus_um: (none) -> 3\nengineer\tcommand line\taccess\tengineer PIN set\nengineer\tcommand line\taccess\tengineer PIN cleared')" ] ||
  fail "audit: $(cat audit.log)"
"$station" --verify-audit > /dev/null || fail "audit chain"
echo PASS
