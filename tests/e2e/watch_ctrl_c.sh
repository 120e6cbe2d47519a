#!/usr/bin/env bash
# Ctrl+C ends lumivane-convert watch under Wine with status 0 and nothing
# temporary left: Wine turns the SIGINT a terminal sends into the console's
# control event, which this sends to the program's Wine process.
# Usage: watch_ctrl_c.sh FOLDER_OF_lumivane-convert.exe   (in the Wine prefix of the caller)
set -euo pipefail
program_folder=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/out"
fail() { echo "FAILED: $*"; exit 1; }

# A 16 x 16 24-bit bitmap.
python3 - "$work/in/plane.oaf.bmp" <<'PYTHON'
import struct, sys
pixels = bytes([0, 0, 255] * 16 * 16)
header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 24, 0, 0, 0, 0, 0, 0)
open(sys.argv[1], "wb").write(header + info + pixels)
PYTHON

wine "$program_folder/lumivane-convert.exe" watch to-af "$work/in" --out "$work/out" >"$work/lines.txt" 2>"$work/errors.txt" </dev/null &
launcher=$!
for _ in $(seq 100); do [ -f "$work/out/plane.oaf" ] && break; sleep 0.1; done
[ -f "$work/out/plane.oaf" ] || fail "the bitmap there at the start was not converted"
# The program's own Wine process: where the launcher is a script that starts
# the loader beside itself, the other process; where the launcher became the
# loader (the 64-bit loader's stand-in execs it), the launcher itself.
candidates=$(pgrep -f "lumivane-convert.exe watch to-af .*$(basename "$work")" | while read -r pid; do
  tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q '^start.exe' || echo "$pid"; done || true)
program=$(echo "$candidates" | grep -vx "$launcher" | head -1 || true)
[ -n "$program" ] || program=$(echo "$candidates" | grep -x "$launcher" || true)
[ -n "$program" ] || fail "no Wine process of lumivane-convert.exe found"
kill -INT "$program"
set +e
for _ in $(seq 100); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.1; done
kill -0 "$launcher" 2>/dev/null && { kill -KILL "$program"; fail "still running 10 s after Ctrl+C"; }
wait "$launcher"
status=$?
set -e
[ "$status" -eq 0 ] || fail "ended with status $status after Ctrl+C"
[ "$(ls "$work/out")" = "plane.oaf" ] || fail "the target folder holds: $(ls "$work/out")"
[ ! -s "$work/errors.txt" ] || fail "errors: $(cat "$work/errors.txt")"
grep -q 'plane.oaf.bmp -> .*plane.oaf' "$work/lines.txt" || fail "lines: $(cat "$work/lines.txt")"
echo "1 passed, 0 failed"
