#!/usr/bin/env bash
# Makes the release packages build/release/lumivane-VERSION-win64.zip and
# lumivane-VERSION-win32.zip: the program, its companion library, the batch
# converter, the palette file, the README and the licence, nothing to install;
# and lumivane-VERSION-linux-x86_64.tar.gz: the batch converter for Linux with
# the palette file, the README and the licence.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win64 win32 release

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

name="lumivane-$version-linux-x86_64"
stage="$release/$name"
rm -rf "$stage" "$release/$name.tar.gz"
mkdir -p "$stage"
cp "$root/build/release-native/bin/lumivane-convert" "$root/companion/texture_palette.pal" "$root/README.md" "$root/LICENSE" "$stage/"
tar -czf "$release/$name.tar.gz" -C "$release" "$name"
rm -rf "$stage"
echo "$release/$name.tar.gz"
