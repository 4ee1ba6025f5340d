#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the window and the package need
# (dpkg-dev and file compute its dependencies; the validators check its desktop files),
# if missing; clang and libFuzzer build the fuzz targets (scripts/fuzz.sh); a font with
# Chinese characters shows the window's few Chinese texts.
set -euo pipefail

packages=(build-essential cmake qt6-base-dev qt6-serialport-dev libgl-dev
    dpkg-dev file desktop-file-utils appstream clang-14 libfuzzer-14-dev libclang-rt-14-dev
    fonts-wqy-microhei "$@")
missing=()
for package in "${packages[@]}"; do
    [[ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" == *"install ok installed"* ]] ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
