#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need,
# only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64
  googletest
  wine wine64
  xvfb xauth x11-utils xdotool imagemagick
  fonts-wqy-microhei
  python3 curl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
