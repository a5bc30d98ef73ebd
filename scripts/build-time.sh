#!/usr/bin/env bash
# build-time.sh [BASE_REF [ROUNDS]]: CPU seconds (user + system) of a full build of BASE_REF
# (default main) and of HEAD, each in a fresh folder without the compile cache: first the library
# (dw_package and the areas below it), then the rest of the project. The two are built in turn,
# ROUNDS times (default 2), so both see the same load; wall time is printed but depends on what
# else runs on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-main}
rounds=${2:-2}
work=$(mktemp -d /tmp/dw-build-time.XXXXXX)
trap 'git worktree remove --force "$work/base" >/dev/null 2>&1 || true
      git worktree remove --force "$work/head" >/dev/null 2>&1 || true
      rm -rf "$work"' EXIT
git worktree add --quiet --detach "$work/base" "$base" >/dev/null
git worktree add --quiet --detach "$work/head" HEAD >/dev/null
export CCACHE_DISABLE=1

measure() {  # measure LABEL TARGET-ARGS...: prints "LABEL cpu wall"
  local label=$1; shift
  # bash's own time (no extra package); its report goes to the file, the build's errors to stderr.
  local TIMEFORMAT="%U %S %R"
  { time cmake --build "$@" >/dev/null 2>&3; } 3>&2 2>"$work/time"
  awk -v l="$label" '{ printf "%-10s %8.1f s CPU %8.1f s wall\n", l, $1 + $2, $3 }' "$work/time"
}

for round in $(seq "$rounds"); do
  for side in base head; do
    rm -rf "$work/build-$side"
    cmake -S "$work/$side" -B "$work/build-$side" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    measure "$side lib" "$work/build-$side" --target dw_package
    measure "$side rest" "$work/build-$side"
  done
done
