#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the simulated board need.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libqcustomplot-dev
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool clang-format
          desktop-file-utils appstream lintian dpkg-dev qt6-svg-dev libsystemd-dev systemd man-db)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
