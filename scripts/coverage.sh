#!/usr/bin/env bash
# Line and branch coverage of src/ by the test suite: a --coverage build of its own (no
# sanitizers), one ctest run under its own Xvfb, and gcovr's figures in total and per folder.
#   scripts/coverage.sh [CTEST ARGS...]
# The fuzzers (built apart with clang) and the package (its own Release tree) add nothing to
# this build's counters, so they are left out. Reports land in build-coverage/coverage/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh coverage
build=build-coverage
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTESS_TESTS=ON \
      -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" -j"$(nproc)"
# Counters of an earlier run would add to this one's.
find "$build" -name '*.gcda' -delete

source scripts/xvfb.sh
mkdir -p "$build/test-out" "$build/coverage"
# A failing test still counts what it ran; the run's result is reported, not fatal.
ctest --test-dir "$build" -E '^(fuzz_loaders|package_test)$' -j"$(nproc)" \
      --output-on-failure "$@" >"$build/coverage/ctest.log" 2>&1 ||
  echo "some tests failed: see $build/coverage/ctest.log"
tail -n 3 "$build/coverage/ctest.log"

# CMake's compiler check was built with the flags too; its counters have no source here. The
# floors' own objects sit beside it in CMakeFiles/, so only the check's folders are cleared.
find "$build"/CMakeFiles/[0-9]* "$build"/CMakeFiles/CMakeScratch -name '*.gcno' -delete \
     2>/dev/null || true
# Branches the compiler adds for exceptions and for code it proved unreachable are not the
# program's decisions.
gcovr --root . --filter 'src/' --object-directory "$build" \
      --exclude-throw-branches --exclude-unreachable-branches \
      --json-summary "$build/coverage/summary.json" \
      --html-details "$build/coverage/index.html" >/dev/null
python3 - "$build/coverage/summary.json" <<'PY'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
sums = {}
for f in files:
    parts = f["filename"].split("/")
    for key in ("src (total)", "/".join(parts[:2])):
        s = sums.setdefault(key, [0, 0, 0, 0])
        s[0] += f["line_covered"]; s[1] += f["line_total"]
        s[2] += f["branch_covered"]; s[3] += f["branch_total"]
pct = lambda a, b: 100.0 * a / b if b else 100.0
print(f"{'':14} {'lines':>20} {'branches':>20}")
for key in sorted(sums, key=lambda k: (k != "src (total)", k)):
    l, lt, b, bt = sums[key]
    print(f"{key:14} {pct(l, lt):6.1f}% {l:5}/{lt:<6} {pct(b, bt):6.1f}% {b:5}/{bt:<6}")
PY
