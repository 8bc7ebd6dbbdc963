#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite:
# every test under AddressSanitizer and UndefinedBehaviorSanitizer, the
# threaded tests again under ThreadSanitizer, and a short run of every fuzzer;
# builds the program as scripts/start.sh does and runs every test again in
# that optimised build. Every build treats warnings as errors. OCULON_JOBS
# limits the parallel jobs (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=${OCULON_JOBS:-$(nproc)}
# Compilations are shared between clones of the project: paths are hashed
# relative to the project root.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

# Each section says how long the run has taken so far.
section() { echo "== $1 (${SECONDS} s)"; }

section "source format"
scripts/check-format.sh

# The dated save folders carry the locale's month and weekday names; one test
# checks them in German.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && [ -w /etc/locale.gen ]; then
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null 2>&1 || true
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

section "build with AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOCULON_SANITIZE=ON -DOCULON_WERROR=ON >/dev/null
cmake --build build/asan -j "$jobs"
section "tests (asan, ubsan)"
ctest --test-dir build/asan -j "$jobs" --output-on-failure -LE "fuzz|slow"

section "build with ThreadSanitizer"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOCULON_TSAN=ON -DOCULON_WERROR=ON >/dev/null
cmake --build build/tsan -j "$jobs" --target tsan_tests
section "tests (tsan)"
# Three runs of the threaded tests: a race that shows only now and then
# shows here rather than in a later landing. A failure names its run.
for run in 1 2 3; do
  ctest --test-dir build/tsan -j "$jobs" --output-on-failure -L tsan --no-tests=ignore ||
    { echo "== threaded tests failed in run $run of 3 (repeat one: ctest -R <test> --repeat until-fail:50)"; exit 1; }
done

section "fuzz targets (short runs)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOCULON_FUZZ=ON -DOCULON_TESTS=OFF \
  -DOCULON_WERROR=ON >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzz_targets
ctest --test-dir build/fuzz -j "$jobs" --output-on-failure -L fuzz --no-tests=ignore

# Optimisation brings warnings of its own: the program as scripts/start.sh
# builds it (the same build folder, so a later start reuses it).
section "release build"
scripts/start.sh --build-only

# Optimisation also changes what code does (constant folding, vectorisation,
# floating-point flags, uninitialised reads, timing that hides or shows a
# race): every test again, built as the program is.
section "build of the tests with optimisation"
cmake -S . -B build/release -DOCULON_TESTS=ON >/dev/null
cmake --build build/release -j "$jobs"
section "tests (release)"
ctest --test-dir build/release -j "$jobs" --output-on-failure -LE "fuzz|slow"
section "done"
