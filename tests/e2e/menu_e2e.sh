#!/usr/bin/env bash
# A player's whole journey through the menu on the real game: the first start's language
# page, a new world of size 20 explored and saved, the world resumed from the list at its
# size, and the options stored in "cfg" and shown again. Screenshots land in BUILD_DIR/test-out.
# Usage: menu_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
shots="$2/test-out"
mkdir -p "$shots"
source "$(dirname "$0")/lib.sh"
e2e_begin menu
world="Meadow Run"

shot() { import -window "$wid" "$shots/$1.png" 2>/dev/null || fail "no screenshot $1"; }

cfg_int() { od -An -td4 -j "$1" -N 4 "$run/cfg" | tr -d ' '; }
cfg_lang() { od -An -c -j 24 -N 3 "$run/cfg" | tr -d ' '; }

# --- First start: no "cfg", so the language page; the English flag stores "eng".
start_menu
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
start_menu
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
start_menu
click 400 325
click 400 265 # view distance 1 -> 2
click 400 335 # fog on -> off
shot e2e_options_changed
click 400 515
[ "$(cfg_int 20)" = 2 ] || fail "view distance in cfg: $(cfg_int 20)"
[ "$(cfg_int 32)" = 0 ] || fail "fog in cfg: $(cfg_int 32)"
quit_game

# ... and shown again: saving the options page untouched keeps them.
start_menu
click 400 325
shot e2e_options_again
click 400 515
[ "$(cfg_int 20)" = 2 ] || fail "view distance not shown again: $(cfg_int 20)"
[ "$(cfg_int 32)" = 0 ] || fail "fog not shown again: $(cfg_int 32)"
[ "$(cfg_lang)" = eng ] || fail "language lost: '$(cfg_lang)'"
quit_game

echo "menu e2e: all checks passed"
