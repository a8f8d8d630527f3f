#!/usr/bin/env bash
# Installs what building, running and testing broodlog needs on Debian 12.
# Idempotent: packages already present are left as they are.
set -euo pipefail
packages=(
  cmake g++ clang make pkg-config ccache
  qt6-base-dev qt6-base-private-dev qt6-qpa-plugins libqt6printsupport6 libcups2-dev zlib1g-dev libgl-dev libxkbcommon-dev libxcb1-dev
  fonts-liberation fonts-liberation2
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick poppler-utils python3 libx11-dev
  qt6-wayland
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n locales
)
if [ "${BROODLOG_TEST_EXTRAS:-0}" = 1 ]; then
  # Independent readers of our pages (LibreOffice, libUEMF, Inkscape) and the
  # print tests' own CUPS: the scheduler, file queues' filters, an IPP
  # Everywhere printer and a private message bus for them.
  packages+=(libreoffice-draw-nogui python3-uno libuemf-dev inkscape
             cups cups-client cups-bsd cups-filters cups-ipp-utils ghostscript dbus-daemon
             libclang-rt-14-dev)
  # The validators of the menu entry, the AppStream metadata and the package.
  packages+=(desktop-file-utils appstream lintian)
  # A screen reader's view (AT-SPI on a private session bus) and a Wayland
  # compositor that runs without a screen.
  packages+=(python3-pyatspi at-spi2-core weston)
  # Other desktops: a window manager, a dark theme through Qt's GTK
  # platform theme, and the X tools that read a window's frame and icon.
  packages+=(openbox qt6-gtk-platformtheme x11-utils)
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

# The languages the program is translated into, for running it in them.
for loc in de_DE fr_FR; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
    SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
    $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8" || echo "setup: could not make the locale $loc.UTF-8" >&2
  fi
done
