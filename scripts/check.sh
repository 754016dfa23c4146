#!/usr/bin/env bash
# make check: the layout of every source file, the whole test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer with the soak of long runs, then every fuzz target for a short while
# from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${KELSIM_FUZZ_SECONDS:-20}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen

echo "== Layout (clang-format)"
# Every C++ file the repository holds is as clang-format lays it out; `clang-format -i FILE` mends one.
git ls-files -z '*.cpp' '*.h' '*.inc' | xargs -0 clang-format --dry-run --Werror

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-check -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELSIM_SANITIZE=ON \
  -DKELSIM_BUILD_BENCH=OFF >/dev/null
cmake --build build-check -j "$jobs"
(cd build-check && ctest --output-on-failure -j "$jobs" --timeout 900)

echo "== Fuzz targets (${fuzz_seconds} s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELSIM_FUZZ=ON \
  -DKELSIM_BUILD_BENCH=OFF >/dev/null
targets=$(cd tests/fuzz && sed -n 's/^ *kelsim_fuzz(\(fuzz_[a-z_]*\).*/\1/p' CMakeLists.txt)
for t in $targets; do
  cmake --build build-fuzz -j "$jobs" --target "$t"
done
for t in $targets; do
  corpus_name=${t#fuzz_}
  work=$(mktemp -d)
  cp -r "tests/fuzz/corpus/$corpus_name/." "$work/" 2>/dev/null || true
  exe=$(find build-fuzz -type f -name "$t" -perm -u+x | head -n 1)
  log="$work/log"
  if ! "$exe" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$work/" "$work" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$t: FAILED (artifacts in $work)"
    exit 1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$t: ${execs:-?} executions, no failure"
  rm -rf "$work"
done
echo "make check: all passed"
