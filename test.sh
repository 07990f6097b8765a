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
