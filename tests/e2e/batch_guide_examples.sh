#!/usr/bin/env bash
# Runs the Windows examples of the user guide's batch converter section, as
# they are written there, from Wine's command prompt (which, as Windows' own,
# hands wildcards over unexpanded), over textures in C:\FS98 of the current
# Wine prefix; then a folder argument and a pattern that matches nothing.
# Usage: batch_guide_examples.sh FOLDER_OF_lumivane-convert.exe
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
program_folder=$1
drive_c="$WINEPREFIX/drive_c"
textures="$drive_c/FS98/Aircraft/DC3/Texture"
paint="$drive_c/Paint"
originals=$(mktemp -d)
trap 'rm -rf "$originals"' EXIT
rm -rf "$drive_c/FS98" "$paint"
mkdir -p "$textures" "$paint"
for name in plane.oaf Wing.OAF tail.oaf; do
  head -c 65536 /dev/urandom >"$textures/$name"
  cp "$textures/$name" "$originals/$name"
done
echo "not a texture" >"$textures/readme.txt"

source "$(dirname "$0")/command_prompt.sh"

examples=$(sed -n '/^## The batch converter/,/^## /p' "$root/docs/USER_GUIDE.md" | grep '^lumivane-convert .*C:' || true)
[ "$(echo "$examples" | grep -c .)" -eq 2 ] || fail "the guide's section should hold two Windows examples, holds: $examples"
first=$(echo "$examples" | sed -n 1p)
second=$(echo "$examples" | sed -n 2p)

run "$first"
[ "$status" = 0 ] || fail "exit status $status"
expected='C:\FS98\Aircraft\DC3\Texture\plane.oaf -> C:\Paint\plane.oaf.bmp
C:\FS98\Aircraft\DC3\Texture\tail.oaf -> C:\Paint\tail.oaf.bmp
C:\FS98\Aircraft\DC3\Texture\Wing.OAF -> C:\Paint\Wing.OAF.bmp
3 files converted, 0 failed'
[ "$output" = "$expected" ] || fail "expected: $expected"
for name in plane.oaf tail.oaf Wing.OAF; do
  [ "$(stat -c %s "$paint/$name.bmp")" = 66614 ] || fail "$name.bmp is not a 66,614-byte bitmap"
done

# Back again over the originals: every texture comes back byte for byte.
rm -f "$textures"/*
run "$second"
[ "$status" = 0 ] || fail "exit status $status"
for name in plane.oaf tail.oaf Wing.OAF; do
  cmp -s "$textures/$name" "$originals/$name" || fail "$name did not come back as it was"
done

run 'lumivane-convert to-bmp C:\FS98\Aircraft\DC3\Texture --out C:\Paint --force -j 2'
[ "$status" = 0 ] || fail "exit status $status"
echo "$output" | tail -1 | grep -qx '3 files converted, 0 failed' || fail "the folder should give its three textures"

run 'lumivane-convert to-af C:\Paint\*.tga --out C:\Paint'
[ "$status" = 1 ] || fail "exit status $status"
echo "$output" | grep -qx 'C:\\Paint\\\*.tga: matches no file' || fail "the empty pattern is not reported"
echo "passed"
