#!/usr/bin/env bash
# Saving that fails at exit: a new world is played while a file-size limit forbids every chunk
# file, and Escape must end the game with a summary line and a failing status, not with 0.
# Usage: saves_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
e2e_begin saves

start_menu
# Language (English), "new game", "new world", "create" with the default name and size.
click 640 400
click 400 265
click 400 515
click 400 515
wait_out 'world size 10 $' 200
wait_out '^created ' 600
sleep 2

# No chunk file fits in 4 KiB: every save from now on fails (and must not kill the game).
prlimit --pid "$pid" --fsize=4096 || fail "prlimit could not limit the game"
xdotool key --window "$wid" Escape 2>/dev/null
poll 1200 ended || fail "still running 60 s after Escape"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 1 ] || fail "exit status $status with every save failing, not 1"
n=$(grep -c '^created ' "$run/out.txt")
grep -qE "^$n chunks could not be saved in \./saves/[^/]+/, first reason: File too large \$" \
    "$run/out.txt" || fail "no summary line for the $n chunks in memory"
[ "$(grep -c 'could not be saved' "$run/out.txt")" -eq 1 ] || fail "more than one summary line"
[ -z "$(ls "$run"/saves/*/ | grep '\.vxc')" ] || fail "chunk files or leftovers were written"

echo "saves e2e: all checks passed ($n chunks reported unsaved)"
