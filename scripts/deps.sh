#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the console needs to build, test, package and run; does nothing when
# all of them are present. dpkg-dev and file are what CPack needs to find the package's library
# dependencies; lintian, desktop-file-utils and appstream check the package (scripts/package-check.sh).
set -euo pipefail
PKGS=(qt6-base-dev libqt6opengl6-dev qt6-serialport-dev qt6-charts-dev qt6-multimedia-dev qt6-svg-dev
      qt6-translations-l10n
      ninja-build cmake g++ libbenchmark-dev xvfb xauth xdotool openbox x11-utils socat imagemagick poppler-utils locales
      fonts-dejavu-core fonts-wine libmosquitto-dev mosquitto mosquitto-clients openssl pkgconf
      clang clang-format ccache libclang-rt-14-dev dpkg-dev file lintian desktop-file-utils appstream)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
