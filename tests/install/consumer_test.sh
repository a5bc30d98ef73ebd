#!/usr/bin/env bash
# consumer_test.sh BUILD_DIR: installs BUILD_DIR into a temporary prefix, then configures, builds
# and runs tests/install/consumer against it (no CMAKE_CXX_STANDARD). Before that, every installed
# header is preprocessed alone against the install tree only, so a public header that includes an
# internal (uninstalled) one fails. The installed dwrender and documents are checked too.
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
# The command and the documents come along: the installed dwrender runs (it finds its shared
# libraries in the prefix) and renders an example form.
if [ -e "$build/apps/dwrender/dwrender" ]; then
  "$tmp/prefix/bin/dwrender" --version >/dev/null
  "$tmp/prefix/bin/dwrender" "$here/../../examples/forms/angular-default.json" -o "$tmp/default.png" >/dev/null
  [ -s "$tmp/default.png" ] || { echo "the installed dwrender wrote no picture"; exit 1; }
fi
for doc in README.md LICENSE CHANGELOG.md index.md render.md reference.md; do
  [ -e "$tmp/prefix/share/doc/dialworks/$doc" ] || { echo "document not installed: $doc"; exit 1; }
done
flags=$(pkg-config --cflags cairo pangocairo)
qtflags="-fPIC $(pkg-config --cflags Qt6Widgets 2>/dev/null || true)"  # the Qt host's headers
bad=0
# Found first (a failing find then stops the script, and no headers at all is a failure): the
# loop below reads them from a here-string.
headers=$(find "$tmp/prefix/include/dialworks" -name '*.h' | sort)
[ -n "$headers" ] || { echo "no headers installed"; exit 1; }
while IFS= read -r header; do
  rel=${header#"$tmp/prefix/include/"}
  extra=""
  case "$rel" in dialworks/qt/*) extra=$qtflags ;; esac
  # shellcheck disable=SC2086
  if ! echo "#include \"$rel\"" | c++ -std=c++20 -E -x c++ -I "$tmp/prefix/include" $flags $extra - >/dev/null; then
    echo "installed header does not stand alone: $rel"; bad=1
  fi
done <<< "$headers"
[ "$bad" = 0 ]
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$here/consumer" -B "$tmp/build" -G Ninja -DCMAKE_PREFIX_PATH="$tmp/prefix" "${launcher[@]}" >/dev/null
cmake --build "$tmp/build"
"$tmp/build/consumer"
