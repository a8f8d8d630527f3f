#!/usr/bin/env bash
# Installs what building, running and testing broodlog needs on Debian 12.
# Idempotent: packages already present are left as they are.
set -euo pipefail
packages=(
  cmake g++ clang make pkg-config ccache
  qt6-base-dev qt6-base-private-dev qt6-qpa-plugins libqt6printsupport6 libcups2-dev libgl-dev libxkbcommon-dev libxcb1-dev
  fonts-liberation fonts-liberation2
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick poppler-utils python3 libx11-dev
)
if [ "${BROODLOG_TEST_EXTRAS:-0}" = 1 ]; then
  # Independent readers of our pages and a real print spooler for the tests.
  packages+=(libreoffice-draw-nogui python3-uno libuemf-dev
             cups cups-client cups-bsd cups-filters ghostscript libclang-rt-14-dev)
  # The validators of the menu entry and the AppStream metadata.
  packages+=(desktop-file-utils appstream)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
