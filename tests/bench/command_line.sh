#!/usr/bin/env bash
# The benchmark programs' command lines, run as a user runs them:
#   command_line.sh qt PROGRAM     dw_qt_bench: unknown arguments fail instead of being ignored
#   command_line.sh peer PROGRAM   dw_peer_bench: bad arguments exit with 2 at once
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

exit $((failures > 0))
