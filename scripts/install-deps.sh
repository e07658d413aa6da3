#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what is missing is installed, so a second run takes seconds.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-l10n-tools  # lrelease: the window's translations
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libavfilter-dev libswresample-dev
  libsdl2-dev
  ffmpeg  # makes the short videos the player tests and benchmark decode
  libpng-dev zlib1g-dev
  libexpat1-dev  # the GPX reader's XML parser
  libsqlite3-dev  # the session library
  clang lld  # the sanitizer builds; lld links their test programs
  xvfb xauth
  fonts-wine  # a Tahoma with the metrics the grids are laid out for
  gpsbabel libxml2-utils
  poppler-utils  # the report tests read its PDF back (pdftotext, pdftoppm, pdfinfo)
  ccache  # a clean clone reuses what an earlier build on this machine compiled
  # the package and the desktop files: icons drawn from the SVG, checks
  librsvg2-bin desktop-file-utils appstream shared-mime-info dpkg-dev lintian
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
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
