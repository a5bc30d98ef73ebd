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
# Falling peaks in virtual time: the spectrum's values drop to about a third after its first buffer,
# so its peaks are held, then fall bar by bar onto the new levels (16 frames, 100 ms apart).
low="0,46,38,43,85,120,137,183,250,287,301,331,348,314,269,245,206,141,101,93,69,36,40,58,50,46,76,104,105"
low+=",123,168,191,192,215,246,240,222,227,225,186,155,151,131,88,72,76,56,28,35,50,40,45,89,121,116,113"
low+=",114,82,38,31,40,22,8,25,34"
./build/apps/dwrender/dwrender examples/forms/matrix-spectrum.json --set "Spectrum.Data=$low" \
  --set Spectrum.Bars.Peaks.DroppingStep=15 --frames 16 --interval 100 -o out/matrix-spectrum-peaks_%02d.png
echo "Rendered into out/:"; ls out
