#!/usr/bin/env bash
# configure.sh BUILD_DIR [cmake args...]: configures once (Ninja, RelWithDebInfo), then only builds.
set -euo pipefail
dir=$1; shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
fi
