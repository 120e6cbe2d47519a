#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the native core tests under
# AddressSanitizer and UBSan, the Windows tests and the end-to-end tests under
# Wine on a virtual display, the bitmaps paint tools write converted by the
# batch converter, the fuzzers for a bounded time, the artwork check, the
# Windows version and application manifest of the packages, the include
# layers and the guide's messages. Ends with one line:
# "N passed, N failed", and ", N skipped" where a part could not run on this
# machine (the 32-bit Windows suites on a kernel that starts no 32-bit
# programs; the reason is printed where they would have run).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
logs="$root/build/test-logs"
# The same locale and temporary folder whatever the machine or the caller set.
export LC_ALL=C.UTF-8
unset LANGUAGE
export TMPDIR="$root/build/tmp"
mkdir -p "$TMPDIR"
passed=0
failed=0
skipped=0

"$root/scripts/setup.sh" || { echo "0 passed, 1 failed"; exit 1; }
if ! "$root/scripts/build.sh" native win64 win32; then
  echo "The build failed."
  echo "0 passed, 1 failed"
  exit 1
fi
mkdir -p "$logs"

# run_gtest NAME COMMAND...: runs one GoogleTest program and adds its counts.
run_gtest() {
  local name=$1 log="$logs/$1.log"
  shift
  echo "== $name"
  timeout 1800 "$@" >"$log" 2>&1
  local status=$?
  local ok bad
  ok=$(grep -aoE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -1)
  bad=$(grep -aoE '^\[  FAILED  \] [0-9]+ test' "$log" | grep -oE '[0-9]+' | tail -1)
  ok=${ok:-0}
  bad=${bad:-0}
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
    bad=1  # crashed or stopped before its summary
    tail -n 30 "$log"
  fi
  grep -aE '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u
  echo "   $ok passed, $bad failed (log: $log)"
  passed=$((passed + ok))
  failed=$((failed + bad))
}

# run_check NAME COMMAND...: a check that passes or fails as a whole.
run_check() {
  local name=$1 log="$logs/$1.log"
  shift
  echo "== $name"
  if "$@" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "   passed"
  else
    failed=$((failed + 1))
    tail -n 30 "$log"
    echo "   failed (log: $log)"
  fi
}

run_gtest native "$root/build/native/tests/unit/lumivane_unit_tests"
# The nearest-colour search has a sixteen-pixel form for processors with
# AVX-512; elsewhere the tests that ask for it get the eight-pixel form, and
# only that form has been tested.
has_flags() { for flag in "$@"; do grep -qw "$flag" /proc/cpuinfo 2>/dev/null || return 1; done; }
if ! has_flags avx512f avx512bw avx512vl; then
  echo "   (this processor has no AVX-512: the search sixteen pixels at a time was not run)"
elif ! has_flags avx512vbmi; then
  echo "   (this processor has no AVX-512 byte permutes: the reads of sixteen nearby pixels were not run)"
fi
run_check tool-bitmaps "$root/scripts/check_tool_bitmaps.py" "$root/build/native/bin/lumivane-convert"

source "$root/scripts/wine_env.sh"
if start_virtual_display; then
  use_prefix test-prefix virtual-desktop
  run_gtest windows wine "$root/build/win64/bin/lumivane_win_tests.exe"
  run_gtest end-to-end wine "$root/build/win64/bin/lumivane_e2e_tests.exe"
  run_check batch-guide-examples "$root/tests/e2e/batch_guide_examples.sh" "$root/build/win64/bin"
  run_check batch-names-in-every-script "$root/tests/e2e/batch_names_in_every_script.sh" "$root/build/win64/bin"
  run_check watch-ctrl-c "$root/tests/e2e/watch_ctrl_c.sh" "$root/build/win64/bin"

  # The release package, unpacked into an empty folder, started from there.
  if "$root/scripts/package.sh" >"$logs/package.log" 2>&1; then
    unpacked="$root/build/unpacked"
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    unzip -q "$(ls "$root"/build/release/lumivane-*-win64.zip)" -d "$unpacked"
    program_folder=$(ls -d "$unpacked"/lumivane-*-win64)
    cp "$root/build/win64/bin/lumivane_e2e_tests.exe" "$program_folder/"
    run_gtest release-package wine "$program_folder/lumivane_e2e_tests.exe" \
      --gtest_filter='EndToEnd.FirstStart*:ConversionEndToEnd.Pick*'
    # The Linux package's converter, optimised and linked as it ships, which no other check runs.
    tar -xzf "$(ls "$root"/build/release/lumivane-*-linux-x86_64.tar.gz)" -C "$unpacked"
    run_check linux-package-tool-bitmaps "$root/scripts/check_tool_bitmaps.py" "$(ls -d "$unpacked"/lumivane-*-linux-x86_64)/lumivane-convert"
  else
    failed=$((failed + 1))
    tail -n 30 "$logs/package.log"
  fi

  # The 32-bit build, in a prefix of its own that Wine's 32-bit half sets up.
  if runs_32bit_programs; then
    use_prefix test32-prefix virtual-desktop
    run_gtest windows-32bit wine "$root/build/win32/bin/lumivane_win_tests.exe"
    run_gtest end-to-end-32bit wine "$root/build/win32/bin/lumivane_e2e_tests.exe"
  else
    for suite in windows-32bit end-to-end-32bit; do
      echo "== $suite"
      echo "   skipped: this kernel starts no 32-bit programs, so Wine cannot run the 32-bit build (its files are still checked below)"
      skipped=$((skipped + 1))
    done
  fi
else
  failed=$((failed + 1))
fi

if [ -x "$root/scripts/fuzz.sh" ]; then
  run_check fuzzers "$root/scripts/fuzz.sh" "${LUMIVANE_FUZZ_SECONDS:-20}"
fi
run_check artwork sh "$root/resources/make_artwork.sh" --check
# The Windows version the README and the guide promise, against the headers
# and imports of the files each package ships.
for package in win64 win32; do
  run_check "windows-version-$package" python3 "$root/scripts/check_windows_version.py" "$root/build/$package" \
    "$package" "$root/README.md" "$root/docs/USER_GUIDE.md"
done
run_check layers python3 "$root/scripts/check_layers.py"
# The guide's message tables against the program's one table of messages.
run_check messages python3 "$root/scripts/check_messages.py"

if [ "$skipped" -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ]
