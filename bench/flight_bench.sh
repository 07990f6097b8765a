#!/usr/bin/env bash
# Frame times of the chunk drawing, measured with the headless flight driver on a Release
# build under Xvfb: view distances 1, 2 and 3, a flight across more than 6 chunks, each frame
# drawn with the merged meshes, the runs of faces and one call per face (in rotating order):
# median, 99th percentile and worst frame, faces and calls, silhouettes, the pixels in which
# the pictures differ, and the frames in which a chunk arrives. Then shorter flights at noon
# and night, fog on and off, for the picture alone. Last, the same flights on the merged path
# alone with a per-frame trace: median, 99th percentile, worst frame, hitches and their causes
# (bench/hitches.awk), and the plot docs/frame_times.png (bench/frame_times.gp).
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
# then walks: 670, 560 and 450 units (7 to 10 chunks). Noon, fog on. Every frame is drawn
# with the merged meshes, the runs and single faces, in rotating order.
declare -A speed=([1]=8 [2]=4 [3]=2) frames=([1]=600 [2]=1000 [3]=1600)
printf '%-5s %-9s %-8s %-8s %-8s %-7s %-6s %-7s %-6s %-9s\n' view path median p99 worst faces \
    calls ratio silh "px>2 %"
for view in 1 2 3; do
    out="$work/view$view.txt"
    n=$(awk -v f="${frames[$view]}" -v s="$scale" 'BEGIN { printf "%d", f * s }')
    "$game/tess_flight" --world "bench$view" --view "$view" --frames "$n" \
        --speed "${speed[$view]}" --hour 137 --settle --compare >"$out"
    for path in merged runs per-face; do
        line=$(grep "^$path frame ms:" "$out")
        read -r med p99 worst faces calls silh < <(echo "$line" | sed -E \
            's/.*median ([0-9.]+), p99 ([0-9.]+), worst ([0-9.]+); faces median ([0-9]+) in ([0-9]+) calls; silhouettes median ([0-9]+)/\1 \2 \3 \4 \5 \6/')
        ratio=$(sed -n "s/^median ratio $path \/ per-face \([0-9.]*\)/\1/p" "$out")
        far=$(sed -n "s/^$path pixels differing by more than 2 steps [0-9]* (\([0-9.]*\)%).*/\1/p" "$out")
        printf '%-5s %-9s %-8s %-8s %-8s %-7s %-6s %-7s %-6s %-9s\n' "$view" "$path" "$med" "$p99" \
            "$worst" "$faces" "$calls" "${ratio:-1}" "$silh" "${far:--}"
    done
    grep -E '^(settle frames|chunks|arrival)' "$out" | sed 's/^/      /'
done

# The same picture over shorter flights: noon and night, fog on and off, pixels of the merged
# and runs pictures more than 2 colour steps from the per-face one (share of all compared).
printf '\n%-5s %-6s %-4s %-16s %-16s\n' view hour fog "merged px>2 %" "runs px>2 %"
for view in 1 2 3; do
    for hour in 137 411; do
        for fog in 1 0; do
            out="$work/picture$view-$hour-$fog.txt"
            "$game/tess_flight" --world "picture$view" --view "$view" --frames 150 \
                --speed "${speed[$view]}" --hour "$hour" --fog "$fog" --compare >"$out"
            m=$(sed -n 's/^merged pixels differing by more than 2 steps [0-9]* (\([0-9.]*\)%); worst frame [0-9]* (\([0-9.]*\)%)/\1 (worst \2)/p' "$out")
            r=$(sed -n 's/^runs pixels differing by more than 2 steps [0-9]* (\([0-9.]*\)%); worst frame [0-9]* (\([0-9.]*\)%)/\1 (worst \2)/p' "$out")
            printf '%-5s %-6s %-4s %-16s %-16s\n' "$view" "$hour" "$fog" "$m" "$r"
        done
    done
done

# The default path alone, as a player gets it, one trace line per frame: median, 99th
# percentile, worst frame, hitches (frames above 1.5 times the median of the 31 frames around
# them, with the milliseconds they add) and arrival frames against the median. The traces draw
# docs/frame_times.png.
printf '\n'
for view in 1 2 3; do
    n=$(awk -v f="${frames[$view]}" -v s="$scale" 'BEGIN { printf "%d", f * s }')
    "$game/tess_flight" --world "trace$view" --view "$view" --frames "$n" \
        --speed "${speed[$view]}" --hour 137 --settle --trace "$work/view$view.csv" >/dev/null
    printf 'view %s: ' "$view"
    awk -f "$root/bench/hitches.awk" -v marks=1 "$work/view$view.csv" | sed 's/^[^ ]* *//'
done
awk -f "$root/bench/hitches.awk" -v causes=1 "$work"/view[23].csv | sed -n '/^cause/,$p'
gnuplot -e "dir='$work'; out='$root/docs/frame_times.png'" "$root/bench/frame_times.gp"
echo "frame time plot: docs/frame_times.png"
