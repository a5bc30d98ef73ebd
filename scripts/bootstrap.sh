#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, when they are missing. As root it runs apt-get;
# otherwise it prints the one line to run and fails. (fonts-dejavu-extra holds the real oblique and
# condensed faces: without it italic text is the regular face slanted, and pictures differ.)
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config ccache python3-jsonschema
          libcairo2-dev libpango1.0-dev fonts-dejavu-core fonts-dejavu-extra
          nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "Missing packages. Run:"
  echo "  sudo apt-get install -y ${missing[*]}"
  exit 1
fi
