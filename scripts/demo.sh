#!/usr/bin/env bash
# The main job: builds the library and the render command, then renders every example into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"  # compile caches are shared between clones of the project
export CCACHE_NOHASHDIR=1     # hits across clones too; debug info may then name another clone's folder
bash scripts/bootstrap.sh
bash scripts/configure.sh build
cmake --build build --target dwrender
mkdir -p out
./build/apps/dwrender/dwrender --test-card out/testcard.png
shopt -s nullglob
for form in examples/forms/*.json; do
  ./build/apps/dwrender/dwrender "$form" -o "out/$(basename "${form%.json}").png"
done
echo "Rendered into out/:"; ls out
