#!/usr/bin/env bash
# Builds the native core (with sanitizers) and the 64-bit Windows program.
# Usage: scripts/build.sh [native] [win64] [win32] [release]   (default: native win64)
# release: the batch converter for Linux, optimised and without sanitizers,
# in build/release-native/bin/lumivane-convert.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(native win64)
jobs=$(nproc 2>/dev/null || echo 2)

for target in "${targets[@]}"; do
  case "$target" in
    # The benchmarks are built with everything else (and run by hand), so
    # that a change that breaks one shows at once.
    native) cmake -S "$root" -B "$root/build/native" -DLUMIVANE_BENCH=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null ;;
    win64) cmake -S "$root" -B "$root/build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
             -DLUMIVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null ;;
    win32) cmake -S "$root" -B "$root/build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
             -DLUMIVANE_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null ;;
    release) cmake -S "$root" -B "$root/build/release-native" -DLUMIVANE_SANITIZE=OFF -DLUMIVANE_BENCH=OFF \
               -DCMAKE_BUILD_TYPE=Release >/dev/null ;;
    *) echo "unknown build: $target" >&2; exit 2 ;;
  esac
  echo "Building $target"
  folder="$root/build/$target" only=()
  [ "$target" = release ] && folder="$root/build/release-native" only=(--target lumivane-convert)
  # Under pipefail a failed build fails the pipeline, and set -e ends here;
  # grep finding nothing to show is no failure.
  cmake --build "$folder" -j "$jobs" "${only[@]}" 2>&1 | { grep -vE '^\[ *[0-9]+%\]|^-- ' || true; }
done
