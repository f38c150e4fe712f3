#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-multimedia-dev qt6-image-formats-plugins
  libqt6svg6 qt6-qpa-plugins zlib1g-dev libjpeg62-turbo-dev libwmf-dev libemf2svg-dev
  libbenchmark-dev fonts-liberation2 fonts-dejavu-core
  # the screen-reader test switches accessibility on as Qt's own tests do
  qt6-base-private-dev
  # the settings dialog's test opens an associated test file through xdg-open
  xdg-utils desktop-file-utils shared-mime-info libfile-mimeinfo-perl
)
[ "${KVIZOR_GUI_TOOLS:-0}" = 1 ] && packages+=(xvfb xauth)

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
