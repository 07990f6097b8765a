#!/usr/bin/env bash
# Chunk saves on the way out. A flight across chunk borders ended by SIGTERM leaves a whole file
# for every chunk ever made, those still waiting in the save queue too. Then a new world is
# played while a file-size limit forbids every chunk file, and Escape must end the game with a
# summary line and a failing status, not with 0.
# Usage: saves_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
e2e_begin saves

# Language (English), "new game", "new world", "create" with the default name and size.
new_world() {
    start_menu
    click 640 400
    click 400 265
    click 400 515
    click 400 515
    wait_out 'world size 10 $' 200
    wait_out '^created ' 600
    sleep 2
}

new_world
xdotool keydown w
sleep 6
xdotool keyup w
kill -TERM "$pid"
wait_exit "SIGTERM after a flight"
python3 - "$run/out.txt" "$run"/saves/*/ <<'PY' || fail "chunk files after SIGTERM"
import os, re, sys
made = set(re.findall(r"^created \d+,(\d+) (\d+) (\d+) $", open(sys.argv[1]).read(), re.M))
moved = re.findall(r"^loaded ", open(sys.argv[1]).read(), re.M)
missing = [c for c in made if os.path.getsize(os.path.join(sys.argv[2], "-".join(c) + ".vxc"))
           != 524288] if all(os.path.exists(os.path.join(sys.argv[2], "-".join(c) + ".vxc"))
                             for c in made) else ["some file is missing"]
if len(made) <= 36 or missing:
    sys.exit(f"{len(made)} chunks made, {len(moved)} read back; not whole: {missing[:5]}")
print(f"{len(made)} chunks made, all on disk")
PY
rm -rf "$run/saves" "$run/cfg"
mkdir "$run/saves"

new_world

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
