#!/usr/bin/env bash
# Frame times of the chunk drawing, measured with the headless flight driver on a Release
# build under Xvfb: view distances 1, 2 and 3, a flight across more than 6 chunks, each frame
# drawn with the merged runs and with one call per face (alternating which goes first), the
# pixels in which the two pictures differ, and the frames in which a chunk arrives.
#
# Usage: bench/flight_bench.sh [build-folder] [frames]
#   build-folder  Release build to use or make (default build-flight-bench)
#   frames        measured frames per view distance (default 600)
# DISPLAY is used when set; otherwise an Xvfb server is started for the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-flight-bench}
frames=${2:-600}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

"$root/scripts/deps.sh" bench >/dev/null
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target tess_flight >/dev/null
game="$build/game"

work=$(mktemp -d /tmp/tess-flight-bench-XXXXXX)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$work/display")"
fi
export LIBGL_ALWAYS_SOFTWARE=1

cd "$work"
for f in back.tga font.tga ts.tga lang world; do ln -s "$game/$f" .; done
mkdir saves

# Speed 8 flies 1.6 units a frame for the first 70% of the frames (then walks): at 600
# frames that is some 670 units, over 10 chunks. Noon, fog on.
shot=$((frames / 3))
printf '%-5s %-22s %-22s %-7s %-14s %-22s\n' view "runs median/worst ms" \
    "per-face median/worst" ratio "pixels differ" "arrival median/worst"
for view in 1 2 3; do
    out="$work/view$view.txt"
    "$game/tess_flight" --world "bench$view" --view "$view" --frames "$frames" --speed 8 \
        --hour 137 --settle --compare --shot "$shot:$work/shot$view.tga" >"$out"
    runs=$(sed -n 's/^runs frame ms: median \([0-9.]*\), worst \([0-9.]*\).*/\1 \/ \2/p' "$out")
    faces=$(sed -n 's/^per-face frame ms: median \([0-9.]*\), worst \([0-9.]*\).*/\1 \/ \2/p' "$out")
    ratio=$(sed -n 's/^median ratio runs \/ per-face \([0-9.]*\)/\1/p' "$out")
    arrival=$(sed -n 's/^arrival frames [0-9]*: median \([0-9.]*\) ms, worst \([0-9.]*\) ms, median \/ median frame \([0-9.]*\)/\1 \/ \2 (x\3)/p' "$out")
    # The screenshot pair, compared independently of the driver's own count.
    diff=n/a
    if command -v compare >/dev/null; then
        diff=$(compare -metric AE "$work/shot$view-runs.tga" "$work/shot$view-faces.tga" \
            null: 2>&1 || true)
    fi
    printf '%-5s %-22s %-22s %-7s %-14s %-22s\n' "$view" "$runs" "$faces" "$ratio" \
        "$diff of 480000" "$arrival"
    grep -E '^(settle frames|chunks|pixels differing|runs frame|per-face frame)' "$out" |
        sed 's/^/      /'
done
