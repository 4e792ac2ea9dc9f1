#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test:
#  1. the whole project (Qt tests on the offscreen platform) with fuzz replays, and the Debian
#     package built from it and checked;
#  2. the Qt-free libraries under AddressSanitizer + UndefinedBehaviorSanitizer;
#  3. the journey test of the whole window under the same sanitizers (fewer steps);
#  4. the tree index workers under ThreadSanitizer.
# First of all, every C++ source must be as clang-format leaves it, and the test build treats
# compiler warnings as errors.
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
jobs=$(nproc)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror
fi
export QT_QPA_PLATFORM=offscreen
# A compiler cache keyed on paths relative to the checkout: a rerun on the same machine (another
# clone included) recompiles only what changed. The build is from scratch either way.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# The benchmarks are built too (not run: tools/bench.sh does that), so one that stops compiling
# shows here.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELIX_BUILD_TESTS=ON -DQUELIX_BUILD_BENCH=ON \
  -DQUELIX_WERROR=ON "${launcher[@]}"
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"
bash tools/package.sh build/test

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUELIX_BUILD_GUI=OFF -DQUELIX_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS=-O1 "${launcher[@]}"
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE slow

# The window libraries and the journey test only (each journey runs in a child process, which
# reports its own sanitizer findings; Qt's allocations leave the leak check clean).
cmake -S . -B build/asan-gui -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUELIX_SANITIZE=ON -DCMAKE_CXX_FLAGS=-O1 "${launcher[@]}"
cmake --build build/asan-gui -j "$jobs" --target test_gui_journey
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QUELIX_JOURNEY_STEPS=300 \
  ctest --test-dir build/asan-gui --output-on-failure -R '^test_gui_journey$'

cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUELIX_BUILD_GUI=OFF -DQUELIX_TSAN=ON \
  -DCMAKE_CXX_FLAGS=-O1 "${launcher[@]}"
cmake --build build/tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -j "$jobs" -L workers

echo "all test runs passed"
