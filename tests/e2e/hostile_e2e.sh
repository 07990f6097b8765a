#!/usr/bin/env bash
# Hostile surroundings. Standard output piped into a reader that leaves after the first line:
# a world is started and SIGHUP (a closed terminal) must still save every chunk, exit 0. Then
# FIFOs named "cfg" and "cfg.tmp": the window must still appear and the settings be written.
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
# Language (English), "new game", "new world", "create" with the default name and size.
for at in "640 400" "400 265" "400 515" "400 515"; do click $at; done
poll 600 test -d "$run/saves/world 1" || fail "no world started"
sleep 6 # the first chunks come in, each with a "created" line nobody reads
[ -s "$run/first.txt" ] || fail "the reader never got its line"
kill -HUP "$pid"
wait_exit "SIGHUP with the reader gone"
n=$(find "$run/saves/world 1" -name '*.vxc' -size 524288c | wc -l)
[ "$n" -ge 27 ] || fail "only $n whole chunk files after SIGHUP"
[ -z "$(find "$run/saves/world 1" -name '*.tmp')" ] || fail "temporary files left behind"

rm -rf "$run/cfg"
mkfifo "$run/cfg" "$run/cfg.tmp"
start_game
quit_game
[ -f "$run/cfg" ] && [ "$(stat -c %s "$run/cfg")" -eq 40 ] || fail "cfg not rewritten whole"
echo "hostile e2e: all checks passed ($n chunks saved with the reader gone)"
