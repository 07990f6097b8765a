#!/usr/bin/env bash
# Frame times of the chunk drawing, measured with the headless flight driver on a Release
# build under Xvfb: view distances 1, 2 and 3, a flight across more than 6 chunks, each frame
# drawn with the merged runs and with one call per face (alternating which goes first), the
# pixels in which the two pictures differ, and the frames in which a chunk arrives.
#
# Usage: bench/flight_bench.sh [build-folder] [scale]
#   build-folder  Release build to use or make (default build-flight-bench)
#   scale         multiplies the measured frames per view distance (default 1)
# DISPLAY is used when set; otherwise an Xvfb server is started for the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-flight-bench}
scale=${2:-1}
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

# The flight goes as fast as streaming keeps up with (a chunk every 3 physics steps, one
# step per frame here): a slab of 12, 30 and 56 chunks arrives per chunk crossed at view
# distances 1, 2 and 3. Speed k flies 0.2 k units a frame for the first 70% of the frames,
# then walks: 670, 560 and 450 units (7 to 10 chunks). Noon, fog on.
declare -A speed=([1]=8 [2]=4 [3]=2) frames=([1]=600 [2]=1000 [3]=1600)
printf '%-5s %-22s %-22s %-7s %-14s %-22s\n' view "runs median/worst ms" \
    "per-face median/worst" ratio "shot px differ" "arrival median/worst"
for view in 1 2 3; do
    out="$work/view$view.txt"
    n=$(awk -v f="${frames[$view]}" -v s="$scale" 'BEGIN { printf "%d", f * s }')
    shot=$((n / 3))
    "$game/tess_flight" --world "bench$view" --view "$view" --frames "$n" \
        --speed "${speed[$view]}" --hour 137 --settle --compare \
        --shot "$shot:$work/shot$view.tga" >"$out"
    runs=$(sed -n 's/^runs frame ms: median \([0-9.]*\), worst \([0-9.]*\).*/\1 \/ \2/p' "$out")
    faces=$(sed -n 's/^per-face frame ms: median \([0-9.]*\), worst \([0-9.]*\).*/\1 \/ \2/p' "$out")
    ratio=$(sed -n 's/^median ratio runs \/ per-face \([0-9.]*\)/\1/p' "$out")
    arrival=$(sed -n 's/^arrival frames [0-9]*: median \([0-9.]*\) ms, worst \([0-9.]*\) ms, median \/ median frame \([0-9.]*\)/\1 \/ \2 (x\3)/p' "$out")
    # The screenshot pair, compared independently of the driver's own count.
    # Exact, and beyond 1% (two or three steps of 255), where rounding no longer explains it.
    diff=n/a
    if command -v compare >/dev/null; then
        a="$work/shot$view-runs.tga" b="$work/shot$view-faces.tga"
        diff="$(compare -metric AE "$a" "$b" null: 2>&1 || true)/$(compare -fuzz 1% \
            -metric AE "$a" "$b" null: 2>&1 || true)"
    fi
    printf '%-5s %-22s %-22s %-7s %-14s %-22s\n' "$view" "$runs" "$faces" "$ratio" \
        "$diff" "$arrival"
    grep -E '^(settle frames|chunks|pixels differing|runs frame|per-face frame)' "$out" |
        sed 's/^/      /'
done
