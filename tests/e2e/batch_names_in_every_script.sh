#!/usr/bin/env bash
# The batch converter under Wine with file names in Cyrillic, Greek and
# Japanese, from Wine's command prompt: named on its command line, found by a
# wildcard (also one spelled in those letters), printed as they are (UTF-8),
# and an existing target is left alone without --force.
# Usage: batch_names_in_every_script.sh FOLDER_OF_lumivane-convert.exe
set -euo pipefail
program_folder=$1
# Wine passes the command line on in the terminal's character set.
export LC_ALL=C.UTF-8
work="$WINEPREFIX/drive_c/Names"
rm -rf "$work"
mkdir -p "$work/in" "$work/out" "$work/back" "$work/one"
names=($'\xd1\x82\xd0\xb5\xd1\x81\xd1\x82' $'\xcf\x80\xcf\x84\xce\xae\xcf\x83\xce\xb7' $'\xe9\xa3\x9b\xe8\xa1\x8c\xe6\xa9\x9f')
for name in "${names[@]}"; do head -c 65536 /dev/urandom >"$work/in/$name.oaf"; done

source "$(dirname "$0")/command_prompt.sh"

# The one target of each source, in the folder, under any name that keeps the source's.
target_of() { find "$1" -maxdepth 1 -type f -name "$2*"; }

run "lumivane-convert to-bmp C:\\Names\\in\\${names[0]}.oaf C:\\Names\\in\\${names[1]}.oaf C:\\Names\\in\\${names[2]}.oaf --out C:\\Names\\out"
[ "$status" = 0 ] || fail "exit status $status"
for name in "${names[@]}"; do
  echo "$output" | grep -qF "C:\\Names\\in\\$name.oaf -> C:\\Names\\out\\$name" || fail "$name is not printed as it is"
  target=$(target_of "$work/out" "$name")
  [ "$(echo "$target" | grep -c .)" = 1 ] || fail "$name: no one bitmap in the target folder: $target"
  [ "$(stat -c %s "$target")" = 66614 ] || fail "$name: not a 66,614-byte bitmap"
done

# By a wildcard, back again: every texture comes back byte for byte.
run 'lumivane-convert to-af C:\Names\out\*.bmp --out C:\Names\back'
[ "$status" = 0 ] || fail "exit status $status"
for name in "${names[@]}"; do
  echo "$output" | grep -qF "C:\\Names\\out\\$name" || fail "$name is not printed as it is"
  cmp -s "$(target_of "$work/back" "$name")" "$work/in/$name.oaf" || fail "$name did not come back as it was"
done

# A wildcard in Japanese letters finds its one file.
run "lumivane-convert to-bmp C:\\Names\\in\\${names[2]:0:1}*.oaf --out C:\\Names\\one"
[ "$status" = 0 ] || fail "exit status $status"
[ "$(ls "$work/one" | wc -l)" = 1 ] && [ -n "$(target_of "$work/one" "${names[2]}")" ] || fail "the pattern should find ${names[2]}.oaf alone"

# Without --force an existing target stays as it is.
for name in "${names[@]}"; do echo "kept" >"$(target_of "$work/out" "$name")"; done
run "lumivane-convert to-bmp C:\\Names\\in\\*.oaf --out C:\\Names\\out"
[ "$status" != 0 ] || fail "the existing targets should be refused"
for name in "${names[@]}"; do
  [ "$(cat "$(target_of "$work/out" "$name")")" = kept ] || fail "$name's existing target was replaced"
done
rm -rf "$work"
echo "passed"
