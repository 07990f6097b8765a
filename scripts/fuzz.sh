#!/usr/bin/env bash
# Builds the loader fuzzers with clang (ASan + UBSan + libFuzzer) in build-fuzz/ and runs each
# for SECONDS from the seeds it writes into a fresh corpus folder; prints each one's runs per
# second. Inputs that fail are kept in build-fuzz/fuzz-failures/; the status is non-zero when
# any fuzzer failed.
# Usage: scripts/fuzz.sh SECONDS [chunk|tga|lang|cfg ...]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:?usage: scripts/fuzz.sh SECONDS [chunk|tga|lang|cfg ...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(chunk tga lang cfg)

scripts/deps.sh fuzz
build="$PWD/build-fuzz" # absolute: the fuzzers work in scratch folders of their own
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzzers >/dev/null

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
mkdir -p "$build/fuzz-failures"
for t in "${targets[@]}"; do
    # A fresh working corpus each run, from the fuzzer's own seeds.
    work="$build/fuzz-work/$t"
    rm -rf "$work"
    mkdir -p "$work"
    log="$build/fuzz-work/$t.log"
    status=0
    "$build/fuzz/fuzz_$t" -max_total_time="$secs" -print_final_stats=1 -timeout=10 \
        -artifact_prefix="$build/fuzz-failures/$t-" "$work" \
        >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$t: FAILED (status $status) after ${runs:-?} runs; log $log"
        tail -n 30 "$log"
        failed+=("$t")
    else
        echo "fuzz_$t: ${runs:-?} runs in $secs s, ${rate:-?} runs/s"
    fi
done
[ ${#failed[@]} -eq 0 ] || { echo "failed fuzzers: ${failed[*]}"; exit 1; }
