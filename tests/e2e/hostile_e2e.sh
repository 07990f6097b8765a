#!/usr/bin/env bash
# Output piped into a reader that leaves after one line, a world started, then SIGHUP (a closed
# terminal): every chunk is saved and the status is 0.
# Usage: hostile_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
e2e_begin hostile
mkfifo "$scratch/pipe"
head -n1 <"$scratch/pipe" >"$run/first.txt" &
(cd "$run" && exec "$game/tessaron" >"$scratch/pipe" 2>err.txt) &
pid=$!
wid=$(poll 600 find_window) || fail "no window titled 'Tessaron, v0.10, linux' within 30 s"
sleep 1
for at in "640 400" "400 265" "400 515" "400 515"; do click $at; done # English, a new world
poll 600 test -d "$run/saves/world 1" || fail "no world started"
sleep 6 # the first chunks come in, each with a "created" line nobody reads
[ -s "$run/first.txt" ] || fail "the reader never got its line"
kill -HUP "$pid"
wait_exit "SIGHUP with the reader gone"
n=$(find "$run/saves/world 1" -name '*.vxc' -size 524288c | wc -l)
[ "$n" -ge 27 ] && [ -z "$(find "$run/saves" -name '*.tmp')" ] || fail "$n whole chunk files"
echo "hostile e2e: all checks passed ($n chunks saved with the reader gone)"
