#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need, when any is missing.
# With --list it only prints them, one a line (the run-time package check reads them so).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-multimedia-dev qt6-image-formats-plugins
  libqt6svg6 qt6-qpa-plugins zlib1g-dev libjpeg62-turbo-dev libwmf-dev libfreetype-dev libemf2svg-dev
  # libwmf's pkg-config names expat among the libraries to link, without depending on it
  libexpat1-dev
  libbenchmark-dev fonts-liberation2 fonts-dejavu-core
  # the screen-reader test switches accessibility on as Qt's own tests do
  qt6-base-private-dev
  # the metafile test builds a locale with a decimal comma
  locales
  # the settings dialog's test opens an associated test file through xdg-open
  xdg-utils desktop-file-utils shared-mime-info libfile-mimeinfo-perl
  # the packaging tests: AppStream validation, manual pages, the run-time package check
  appstream man-db strace
)
[ "${KVIZOR_GUI_TOOLS:-0}" = 1 ] && packages+=(xvfb xauth)

if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
