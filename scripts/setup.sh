#!/usr/bin/env bash
# Installs, from Debian's packages, whatever building, running and testing
# Lumivane needs and this machine lacks. Safe to run again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/machine_probe.sh"

packages=(
  cmake make g++ python3 python3-pil python3-numpy fonts-dejavu-core
  mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64 xvfb xauth imagemagick xdotool
  # Wine's own fonts: Marlett draws the caption buttons (without it they read
  # "0 1 r"), Tahoma the dialogs. apt brings them only as a recommendation.
  fonts-wine
  # What the programs' windows are drawn with under Wine: the prefixes map
  # "Arial" to Liberation Sans, which has Arial's metrics (wine_env.sh).
  fonts-liberation
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  zip unzip
  # valgrind counts the instructions of a conversion for bench/compare_pillow.py.
  valgrind
  # taskset, which keeps every Wine process on one processor (wine_env.sh).
  util-linux
)

missing=()
# The 32-bit Windows build runs under Wine's 32-bit half, from the i386
# architecture; a kernel that starts no 32-bit programs could not use it.
needs_i386=""
if runs_32bit_programs && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  needs_i386=1
  missing+=(wine32:i386)
fi
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
if [ -n "$needs_i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
