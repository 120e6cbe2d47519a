#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build/fuzz and runs
# each for a bounded time, starting from the generated seed corpus.
# Usage: scripts/fuzz.sh [SECONDS per target, default 20] [TARGET...]
# Exits non-zero when a target finds a crash, a leak, undefined behaviour or a
# hang, leaving the input that caused it in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(read_convert); fi

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DLUMIVANE_FUZZ=ON -DLUMIVANE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}" >/dev/null

seeds="$build/seeds"
python3 tests/fuzz/make_seeds.py "$seeds"
mkdir -p "$build/findings"

failed=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  if ! "$build/tests/fuzz/${target}_fuzz" "$corpus" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$build/findings/${target}-" -print_final_stats=1 2>"$build/$target.log"; then
    echo "!! $target found a fault; see $build/$target.log and $build/findings/"
    failed=1
  fi
  grep -a -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$build/$target.log" || true
done
exit "$failed"
