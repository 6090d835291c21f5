#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Ekobarama needs to build, run and test, when they are missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-l10n-tools qt6-translations-l10n libgl-dev libxkbcommon-dev
  libjpeg62-turbo-dev libopenal-dev libxcb1-dev
  fonts-dejavu-core fonts-liberation2 fonts-roboto-slab fonts-comic-neue
)
if [ "${1:-}" = "--test" ]; then
  packages+=(
    libgtest-dev libbenchmark-dev clang libclang-rt-14-dev clang-format
    xvfb xauth xdotool x11-utils x11-apps imagemagick libxdamage-dev openbox
    dbus-daemon at-spi2-core python3-pyatspi
    desktop-file-utils appstream shared-mime-info lintian dpkg-dev file man-db
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
