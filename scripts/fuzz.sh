#!/usr/bin/env bash
# Fuzzes the instrument's reply handlers and the file readers with clang's
# libFuzzer (AddressSanitizer and UndefinedBehaviorSanitizer on), SECONDS each.
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}
scripts/deps.sh clang
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANDORAL_FUZZ=ON -DVANDORAL_WERROR=ON >/dev/null
cmake --build "$build" -j2
for target in fuzz_replies fuzz_settings fuzz_journal fuzz_jcamp fuzz_datafile; do
  corpus="$build/corpus-$target"
  mkdir -p "$corpus"
  # Files of the right shape to start from, where there are some.
  if [ -d "tests/fuzz/seeds/$target" ]; then cp -n tests/fuzz/seeds/$target/* "$corpus"/; fi
  echo "== $target, $seconds s"
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=1024 -print_final_stats=0 \
    "$corpus" 2>&1 | tail -n 3
done
