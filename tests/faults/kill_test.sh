#!/usr/bin/env bash
# Kills the writer of the data files with SIGKILL at random moments. After every kill each
# data file must be exactly its old or its new version, byte for byte, and the pass file
# must hold only whole CR LF lines: its header, data lines of the data-line format, and at
# most one end block with histogram lines. Every 50 kills and at the end the writer's own
# checker also reads the files back through the station's readers and listing, with the
# temporaries of killed saves lying about.
#
#   kill_test.sh KILL_WRITER [KILLS]     KILLS defaults to $STATION_KILLS or 200
#
# The test command runs 200 kills (about 20 s); a longer run by hand, e.g.
#   STATION_KILLS=5000 tests/faults/kill_test.sh build-test/tests/faults/kill_writer
set -euo pipefail

writer=${1:?usage: kill_test.sh KILL_WRITER [KILLS]}
kills=${2:-${STATION_KILLS:-200}}
# The writer is killed and the checker only reads: the leak check at exit would only slow
# every round down (the writers' leaks are looked for by the other fault tests).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d "${TMPDIR:-/tmp}/station-kill-XXXXXX")
trap 'rm -rf "$work"' EXIT
dir=$work/data
ref=$work/versions
mkdir "$dir" "$ref"
"$writer" versions "$ref"
"$writer" seed "$dir"

# The checks after each kill use only the shell's builtins: a process per check would cost
# more than the kill itself.
declare -A want
for name in QL_CFG.DAT QL_SET.DAT QL_CFF.DAT; do
  for v in 0 1; do IFS= read -r -d '' "want[$name.$v]" <"$ref/$name.$v" || true; done
done
mapfile -t head_lines <"$ref/pass.head"
mapfile -t end_lines <"$ref/pass.end"
declare -A data_line histo_line
while IFS= read -r line; do data_line[$line]=1; done <"$ref/pass.data"
while IFS= read -r line; do histo_line[$line]=1; done <"$ref/pass.histo"
number='[0-9][0-9][0-9][0-9]+'
format="^ [0-9][0-9]${number} +-?${number}\\.[0-9] +${number} +${number}"$'\r$'

# Which version a data file holds (0 or 1); a failure when it is neither.
version_of() {
  local text=
  IFS= read -r -d '' text <"$dir/$1" || true
  if [[ $text == "${want[$1.0]}" ]]; then version=${version}0
  elif [[ $text == "${want[$1.1]}" ]]; then version=${version}1
  else echo "$1 is neither version" >&2; return 1
  fi
}

# The pass file's lines in their order: the header, data lines of the data-line format, and
# at most one whole end block followed by histogram lines; each line ended by CR LF.
check_pass_file() {
  local text= i state=0 k=0
  IFS= read -r -d '' text <"$dir/07.PSS" || true
  [[ $text == *$'\r\n' ]] || { echo "07.PSS ends in part of a line" >&2; return 1; }
  mapfile -t lines <"$dir/07.PSS"
  for ((i = 0; i < ${#lines[@]}; i++)); do
    line=${lines[i]}
    [[ $line == *$'\r' ]] || { echo "07.PSS line $((i + 1)) is not ended by CR LF" >&2; return 1; }
    if ((i < ${#head_lines[@]})); then
      [[ $line == "${head_lines[i]}" ]] || { echo "07.PSS header line $((i + 1)) differs" >&2; return 1; }
    elif ((state == 0)) && [[ -n ${data_line[$line]:-} && $line =~ $format ]]; then
      data_lines=$((data_lines + 1))
    elif ((state < 2)) && [[ $line == "${end_lines[k]}" ]]; then
      state=1
      k=$((k + 1))
      ((k < ${#end_lines[@]})) || state=2
    elif ((state == 2)) && [[ -n ${histo_line[$line]:-} ]]; then
      :
    else
      echo "07.PSS line $((i + 1)) is out of place: $line" >&2
      return 1
    fi
  done
  ((${#lines[@]} >= ${#head_lines[@]})) || { echo "07.PSS lacks its header" >&2; return 1; }
  ((state != 1)) || { echo "07.PSS has part of an end block" >&2; return 1; }
}

start=$SECONDS
declare -A seen
for ((i = 1; i <= kills; i++)); do
  coproc WRITER { exec "$writer" run "$dir"; }
  pid=$WRITER_PID
  read -r ready <&"${WRITER[0]}"
  [ "$ready" = running ] || { echo "writer did not start: $ready" >&2; exit 1; }
  # Once it writes, 0 to 49 ms more (about five rounds of saves). A read from the writer's
  # output, which stays silent, times out: a sleep without a process of its own.
  read -rt "0.0$(printf "%02d" $((RANDOM % 50)))" <&"${WRITER[0]}" || true
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  version=
  data_lines=0
  if ! version_of QL_CFG.DAT || ! version_of QL_SET.DAT || ! version_of QL_CFF.DAT ||
     ! check_pass_file; then
    echo "after kill $i of $kills" >&2
    exit 1
  fi
  seen[$version]=1
  if ((i % 50 == 0 || i == kills)) && ! report=$("$writer" check "$dir"); then
    echo "after kill $i of $kills: $report" >&2
    exit 1
  fi
done

echo "$kills kills in $((SECONDS - start)) s; after the last: $report"
echo "versions of configuration, points, coefficients seen after kills: ${!seen[*]}"
ls -A "$dir" | grep '^\.' | sed 's/\.[A-Za-z0-9]\{6\}$//' | sort | uniq -c |
  awk '{ printf "  left by killed saves: %d temporaries of %s\n", $1, substr($2, 2) }' || true
