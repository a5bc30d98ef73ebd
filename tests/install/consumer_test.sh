#!/usr/bin/env bash
# consumer_test.sh BUILD_DIR: installs BUILD_DIR into a temporary prefix, then configures, builds
# and runs tests/install/consumer against it (no CMAKE_CXX_STANDARD; each installed header alone).
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
tmp=$build/consumer-test  # a fixed place, so the compiler cache hits when the test runs again
rm -rf "$tmp"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for internal in draw/CairoSupport.h draw/KeptValues.h draw/Pixels.h draw/TextLayout.h; do
  if [ -e "$tmp/prefix/include/dialworks/$internal" ]; then
    echo "internal header installed: $internal"; exit 1
  fi
done
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$here/consumer" -B "$tmp/build" -G Ninja -DCMAKE_PREFIX_PATH="$tmp/prefix" "${launcher[@]}" >/dev/null
cmake --build "$tmp/build"
"$tmp/build/consumer"
