#!/usr/bin/env bash
# A player's whole journey through the menu on the real game: the first start's language
# page, a new world of size 20 explored and saved, the world resumed from the list at its
# size, and the options stored in "cfg" and shown again. Screenshots land in BUILD_DIR/test-out.
# Usage: menu_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
shots="$2/test-out"
mkdir -p "$shots"
scratch=$(mktemp -d /tmp/tess-menu-e2e-XXXXXX)
run="$scratch/run"
pid=""
keeper=""
wid=""
world="Meadow Run"

cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null; fi
    [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in out err; do
        [ -f "$run/$f.txt" ] && { echo "--- $f"; tail -n 40 "$run/$f.txt"; }
    done
    exit 1
}

start_game() {
    (cd "$run" && exec "$game/tessaron" >out.txt 2>err.txt) &
    pid=$!
    wid=""
    for _ in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || fail "the game ended before its window appeared"
        wid=$(xdotool search --name '^Tessaron, v0\.10, linux' 2>/dev/null | tail -n1)
        [ -n "$wid" ] && break
        sleep 0.05
    done
    [ -n "$wid" ] || fail "no game window within 30 s"
    # The menu is up once start-up has printed its last line.
    for _ in $(seq 600); do
        grep -q '^max texture size' "$run/out.txt" && break
        sleep 0.05
    done
    sleep 0.5
}

# Moves the pointer to menu point (x, y) of the 800 x 600 window and clicks there. The
# centre (400, 300) is never used: the game ignores motion to it.
click() {
    xdotool mousemove --window "$wid" "$1" "$2"
    sleep 0.3
    xdotool click 1
    sleep 0.7
}

shot() { import -window "$wid" "$shots/$1.png" 2>/dev/null || fail "no screenshot $1"; }

# Waits until standard output has a line matching the extended regex.
wait_out() {
    for _ in $(seq "${2:-600}"); do
        grep -qE -- "$1" "$run/out.txt" && return 0
        sleep 0.05
    done
    fail "standard output never matched '$1'"
}

quit_game() {
    xdotool key --window "$wid" Escape 2>/dev/null
    for _ in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "still running 60 s after Escape"
    wait "$pid"
    local status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "exit status $status after Escape"
}

cfg_int() { od -An -td4 -j "$1" -N 4 "$run/cfg" | tr -d ' '; }
cfg_lang() { od -An -c -j 24 -N 3 "$run/cfg" | tr -d ' '; }

# One client held open for the whole script keeps the X server from resetting between starts.
for _ in $(seq 100); do
    xprop -root -spy >"$scratch/keeper.txt" 2>/dev/null &
    keeper=$!
    sleep 0.1
    [ -s "$scratch/keeper.txt" ] && kill -0 "$keeper" 2>/dev/null && break
    kill "$keeper" 2>/dev/null
    keeper=""
done
[ -n "$keeper" ] || fail "cannot connect to the X server on '$DISPLAY'"

mkdir -p "$run"
cp -r "$game"/. "$run/"
rm -rf "$run/cfg" "$run/cfg.tmp" "$run/saves" "$run/tessaron"
mkdir "$run/saves"

# --- First start: no "cfg", so the language page; the English flag stores "eng".
start_game
shot e2e_language
click 640 400
[ "$(cfg_lang)" = eng ] || fail "cfg language after the English flag: '$(cfg_lang)'"
shot e2e_main_menu

# New game -> the empty world list -> the new-world form.
click 400 265
shot e2e_worlds_empty
click 400 515
for _ in 1 2 3 4 5 6 7; do xdotool key --window "$wid" BackSpace 2>/dev/null; done
xdotool type --window "$wid" --delay 40 "$world" 2>/dev/null
sleep 0.3
click 400 405 # world size: small -> medium
shot e2e_new_world
click 400 515
wait_out "world size 20 $"
wait_out "^created [0-9]+,"
[ "$(cfg_int 28)" = 2 ] || fail "world counter after the start: $(cfg_int 28)"
[ -d "$run/saves/$world" ] || fail "no folder saves/$world"
sleep 2
shot e2e_game

# Fly ahead until chunks past the first ten rows are made, so only a world of 20 holds them.
xdotool keydown --window "$wid" w 2>/dev/null
far=0
for _ in $(seq 900); do
    # "created slot,cx cy level"
    if grep -qE '^created [0-9]+,([0-9]+ 1[0-9]|1[0-9] [0-9]+) ' "$run/out.txt"; then
        far=1
        break
    fi
    sleep 0.1
done
xdotool keyup --window "$wid" w 2>/dev/null
[ "$far" = 1 ] || fail "flying 90 s never reached a chunk row past 9"
quit_game
nfiles=$(find "$run/saves/$world" -name '*.vxc' | wc -l)
[ "$nfiles" -gt 0 ] || fail "no chunk files saved"
bad=$(find "$run/saves/$world" -name '*.vxc' ! -size 524288c | wc -l)
[ "$bad" -eq 0 ] || fail "$bad chunk files are not 524288 bytes"

# --- Second start: straight to the main menu; the world is listed and resumes at size 20.
start_game
click 400 265
shot e2e_worlds_listed
click 250 235
wait_out "^\./saves/$world"
wait_out "world size 20 $"
wait_out "^loaded [0-9]+,"
grep -q "world size 10 " "$run/out.txt" && fail "the world was folded to size 10"
sleep 1
quit_game

# --- Third start: options. View distance to 2 and fog off are stored ...
start_game
click 400 325
click 400 265 # view distance 1 -> 2
click 400 335 # fog on -> off
shot e2e_options_changed
click 400 515
[ "$(cfg_int 20)" = 2 ] || fail "view distance in cfg: $(cfg_int 20)"
[ "$(cfg_int 32)" = 0 ] || fail "fog in cfg: $(cfg_int 32)"
quit_game

# ... and shown again: saving the options page untouched keeps them.
start_game
click 400 325
shot e2e_options_again
click 400 515
[ "$(cfg_int 20)" = 2 ] || fail "view distance not shown again: $(cfg_int 20)"
[ "$(cfg_int 32)" = 0 ] || fail "fog not shown again: $(cfg_int 32)"
[ "$(cfg_lang)" = eng ] || fail "language lost: '$(cfg_lang)'"
quit_game

echo "menu e2e: all checks passed"
