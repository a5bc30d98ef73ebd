#!/usr/bin/env bash
# configure.sh BUILD_DIR [cmake args...]: configures the project (Ninja, RelWithDebInfo) into
# BUILD_DIR the first time; later only the arguments given are applied again (cheap when nothing
# changed), so an option asked for is never lost to an earlier configuration.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
elif [ $# -gt 0 ]; then
  cmake -S "$root" -B "$dir" "$@" >/dev/null
fi
