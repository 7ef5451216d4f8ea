#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) and runs each for a bounded time. Usage: fuzz.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVALE_SANITIZE=ON -DCORVALE_FUZZ=ON >/dev/null
targets=$(ls fuzz/fuzz_*.cpp | sed 's#fuzz/\(fuzz_[a-z]*\)\.cpp#\1#')
cmake --build build/fuzz --target $targets
status=0
for t in $targets; do
  name=${t#fuzz_}
  corpus=build/fuzz/corpus-$name
  mkdir -p "$corpus"
  cp -n fuzz/corpus/$name/* "$corpus"/ 2>/dev/null || true
  echo "== $t for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
       QT_QPA_PLATFORM=offscreen build/fuzz/fuzz/$t "$corpus" -max_total_time="$seconds" \
       -timeout=10 -rss_limit_mb=4096 -artifact_prefix=build/fuzz/$t- 2>build/fuzz/$t.log; then
    status=1
    tail -40 build/fuzz/$t.log
  else
    grep -E '^(Done|#[0-9]+ *DONE)' build/fuzz/$t.log | tail -1 || true
  fi
done
exit $status
