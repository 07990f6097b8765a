#!/usr/bin/env bash
# Installs what is missing, builds the tests with ASan and UBSan, and runs every test
# (GL and end-to-end ones under one Xvfb server started here) through ctest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_TESTS=ON \
      -DTESS_SANITIZE=ON -DTESS_WERROR=ON >/dev/null
cmake --build build-test -j"$(nproc)"

source scripts/xvfb.sh

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p build-test/test-out
ctest --test-dir build-test --output-on-failure -j"$(nproc)" "$@"

# The save thread under ThreadSanitizer: the flight that compares it with the single-threaded
# way, in a tree of its own built for that test alone.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_TESTS=ON \
      -DTESS_SANITIZE=thread -DTESS_WERROR=ON >/dev/null
cmake --build build-tsan -j"$(nproc)" --target streamer_test
TSAN_OPTIONS="halt_on_error=1" DISPLAY= build-tsan/tests/streamer_test --gtest_filter='SaveThread.*'
