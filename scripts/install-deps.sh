#!/usr/bin/env bash
# Installs the Debian 12 packages Lumaxis needs to build, test and run.
# Only packages that are missing are installed, so a second run is quick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libgl-dev libxkbcommon-dev
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-wqy-zenhei fontconfig
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
