#!/usr/bin/env bash
# Installs, from Debian's packages, whatever building, running and testing
# Lumivane needs and this machine lacks. Safe to run again.
set -euo pipefail

packages=(
  cmake make g++ python3 python3-pil fonts-dejavu-core
  mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64 xvfb xauth imagemagick
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  zip unzip
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
