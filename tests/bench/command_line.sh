#!/usr/bin/env bash
# The benchmark programs' command lines, run as a user runs them:
#   command_line.sh qt PROGRAM     dw_qt_bench: unknown arguments fail instead of being ignored
#   command_line.sh peer PROGRAM   dw_peer_bench: bad arguments exit with 2 at once; --save writes
#                                  its pictures as the render command does and reports failures
set -u
mode=$1 program=$2
failures=0
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# expect CODE WHAT ARGS...: runs the program (bounded in time) and checks its exit code.
expect() {
  local want=$1 what=$2
  shift 2
  timeout 120 "$program" "$@" >"$dir/out" 2>"$dir/err"
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want ($program $*)"
    cat "$dir/err"
    failures=$((failures + 1))
    return 1
  fi
}
is_png() { [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = "211PNG" ]; }

if [ "$mode" = qt ]; then
  expect 1 "an unknown argument" --benchmark_filter=NoSuchBenchmark --no-such-argument
  expect 0 "known arguments" --benchmark_filter=NoSuchBenchmark
  exit $((failures > 0))
fi

for args in abc -5 -2147483648 99999999999 1.5 0 "--only bogus" "20 --save" "--only ours --save $dir/x"; do
  # shellcheck disable=SC2086
  expect 2 "arguments '$args'" $args
done
expect 0 "a run for a profiler" 20 --only partial

expect 0 "saving" 20 --save "$dir/p"
for side in qwt floor ours; do
  is_png "$dir/p-$side.png" || { echo "FAIL: p-$side.png is not a PNG"; failures=$((failures + 1)); }
done
# A folder that is not there is refused before the run.
expect 2 "saving into a missing folder" 20 --save "$dir/missing/p"
# A link to a device is written into, not replaced: a full one fails the run.
ln -s /dev/full "$dir/full-floor.png"
expect 1 "saving into a full device" 20 --save "$dir/full"
grep -q "full-floor.png: No space left on device" "$dir/err" || { echo "FAIL: no reason given"; failures=$((failures + 1)); }
# A write cut short (a file size limit of one block) leaves the old file whole, not torn.
echo old >"$dir/cut-qwt.png"
(trap '' XFSZ && ulimit -f 1 && expect 1 "saving beyond a file size limit" 20 --save "$dir/cut") || failures=$((failures + 1))
printf 'old\n' | cmp -s - "$dir/cut-qwt.png" || { echo "FAIL: the old picture was torn"; failures=$((failures + 1)); }
exit $((failures > 0))
