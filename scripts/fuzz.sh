#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) and runs each for a bounded time. Usage: fuzz.sh [SECONDS]
# Corpora grow in build/fuzz/corpus-NAME; findings land in build/fuzz as
# fuzz_NAME-crash-*, -timeout-*, -oom-*, -leak-*.
set -euo pipefail
seconds=${1:-60}
# A fixed FUZZ_SEED makes a run repeatable (CI uses one); 0 picks a fresh seed.
seed=${FUZZ_SEED:-0}
cd "$(dirname "$0")/.."
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVALE_SANITIZE=ON -DCORVALE_FUZZ=ON >/dev/null
targets=$(ls fuzz/fuzz_*.cpp | sed 's#fuzz/\(fuzz_[a-z]*\)\.cpp#\1#')
# The legacy target reads through the Access reader program, built alongside.
cmake --build build/fuzz --target $targets corvale-mdbreader

# The legacy reader starts from the real Access files and the damaged ones
# found earlier (tests/data), copied so that mutations never touch them.
mkdir -p build/fuzz/corpus-legacy
for f in tests/data/legacy-mdb/*.mdb tests/data/damaged-mdb/*.mdb; do
  cp -n "$f" build/fuzz/corpus-legacy/ 2>/dev/null || true
  chmod u+w "build/fuzz/corpus-legacy/$(basename "$f")"
done

status=0
for t in $targets; do
  name=${t#fuzz_}
  corpus=build/fuzz/corpus-$name
  mkdir -p "$corpus"
  cp -n fuzz/corpus/$name/* "$corpus"/ 2>/dev/null || true
  rm -f "$corpus/.gitkeep"
  extra=()
  # Access files are read whole, but each run over the full 3 MB sample takes
  # seconds under the sanitizers; its first megabyte (catalog, table
  # definitions and most data pages) keeps the runs many per minute. The
  # reader is a program of its own, bounded in time and memory.
  [ "$name" = legacy ] && extra=(-max_len=1048576)
  echo "== $t for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
       QT_QPA_PLATFORM=offscreen build/fuzz/fuzz/$t "$corpus" -max_total_time="$seconds" \
       -seed="$seed" -timeout=10 -rss_limit_mb=4096 "${extra[@]}" -artifact_prefix=build/fuzz/$t- \
       >build/fuzz/$t.log 2>&1; then
    status=1
    tail -40 build/fuzz/$t.log
  else
    grep -E '^(Done|#[0-9]+ *DONE|INFO: exiting)' build/fuzz/$t.log | tail -1 || true
  fi
done
exit $status
