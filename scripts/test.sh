#!/usr/bin/env bash
# Builds everything and runs every test. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"  # compile caches are shared between clones of the project
bash scripts/bootstrap.sh
bash scripts/configure.sh build
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
