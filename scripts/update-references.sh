#!/usr/bin/env bash
# update-references.sh [FORM...]: renders the reference images of tests/reference/images again with
# the render command, at 1x and 2x. Without arguments every picture already there is redrawn; a FORM
# (a stem of examples/forms/*.json) adds that form's two pictures. Never run by CI: a changed
# reference is a decision, to be looked at before it is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"
export CCACHE_NOHASHDIR=1     # hits across clones too; debug info may then name another clone's folder
bash scripts/bootstrap.sh
bash scripts/configure.sh build
cmake --build build --target dwrender
dir=tests/reference/images
now=2026-01-01T10:08:30  # the clock time the reference test sets too
forms=("$@")
if [ ${#forms[@]} -eq 0 ]; then
  for image in "$dir"/*@1x.png; do
    [ -e "$image" ] || continue
    name=$(basename "$image"); forms+=("${name%@1x.png}")
  done
fi
for form in "${forms[@]}"; do
  src="examples/forms/$form.json"
  [ -f "$src" ] || { echo "no such form: $src" >&2; exit 2; }
  for scale in 1 2; do
    ./build/apps/dwrender/dwrender "$src" --now "$now" --scale "$scale" -o "$dir/$form@${scale}x.png"
  done
done
echo "Redrawn: ${forms[*]}; look at them (git diff --stat $dir) before committing."
