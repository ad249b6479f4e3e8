#!/usr/bin/env bash
# Installs the Debian packages the build, tests and benchmarks need.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  clang libclang-rt-dev
  qt6-base-dev qt6-webengine-dev libgl-dev
  libqt6sql6-sqlite libsqlite3-dev
  qt6-base-dev-tools fonts-liberation2 xvfb xauth imagemagick
  appstream desktop-file-utils lintian
  nodejs node-jsdom acl attr
  qt6-websockets-dev chromium chromium-driver firefox-esr webkit2gtk-driver
  python3-pyatspi at-spi2-core dbus
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
