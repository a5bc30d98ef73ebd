#!/usr/bin/env bash
# Builds everything and runs every test. Extra arguments go to ctest.
#   DW_SHARED=1 bash scripts/test.sh   the same with shared libraries (in build-shared)
# Under CI (CI=true) compiler warnings are errors; elsewhere they stay warnings, so a newer
# compiler's new warning does not stop a user's build.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"  # compile caches are shared between clones of the project
export CCACHE_NOHASHDIR=1     # hits across clones too; debug info may then name another clone's folder
bash scripts/bootstrap.sh
dir=build
args=()
if [ "${DW_SHARED:-0}" = 1 ]; then
  dir=build-shared
  args+=(-DDW_SHARED=ON)
fi
if [ "${CI:-}" = true ]; then
  args+=(-DDW_WERROR=ON)
fi
bash scripts/configure.sh "$dir" "${args[@]}"
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$(nproc)" "$@"
