#!/usr/bin/env bash
# Makes the release packages build/release/lumivane-VERSION-win64.zip and
# lumivane-VERSION-win32.zip: the program, its companion library, the batch
# converter, the palette file, the README and the licence, nothing to install.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win64 win32

version=$(sed -n 's/^#define LUMIVANE_VERSION_STRING "\(.*\)"$/\1/p' "$root/build/win64/generated/version.h")
release="$root/build/release"
mkdir -p "$release"
for arch in win64 win32; do
  name="lumivane-$version-$arch"
  stage="$release/$name"
  rm -rf "$stage" "$release/$name.zip"
  mkdir -p "$stage"
  cp "$root/build/$arch/bin/lumivane.exe" "$root/build/$arch/bin/Tessaline.dll" \
     "$root/build/$arch/bin/lumivane-convert.exe" "$root/companion/texture_palette.pal" \
     "$root/README.md" "$root/LICENSE" "$stage/"
  (cd "$release" && zip -qr "$name.zip" "$name")
  rm -rf "$stage"
  echo "$release/$name.zip"
done
