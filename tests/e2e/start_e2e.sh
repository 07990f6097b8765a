#!/usr/bin/env bash
# First start and the menu on the real game. The first start writes "cfg" from the defaults,
# titles its window, and opens on the language page; English is stored; a new world of size
# 20 with a typed name is started and left, and its chunks are on disk. The second start
# lists the world and resumes it at its size. The third takes a resize into "cfg" and prints
# key codes; the fourth keeps the size.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin start "$@"
world="Meadow Run"

cfg_is() { [ "$(hex "$run/cfg" 2>/dev/null)" = "$1" ]; }
has_line() { grep -qxF -- "$1" "$run/out.txt"; }
shows_fps() { [[ "$(xdotool getwindowname "$wid")" =~ ^Tessaron,\ v0\.10,\ linux,\ FPS:\ [0-9]+$ ]]; }
name_world() {
    xdotool key --window "$wid" --repeat 7 BackSpace 2>/dev/null
    xdotool type --window "$wid" --delay 40 "$world" 2>/dev/null
    sleep 0.3
    click 400 405 # world size: small -> medium
}

# --- First start, without settings or saves.
start_game
[ "$(xdotool getwindowname "$wid")" = "Tessaron, v0.10, linux" ] ||
    fail "start-up title was '$(xdotool getwindowname "$wid")'"
# The first reshape, when the window shows, rewrites the default "cfg" with the position
# forced to (0, 0).
defaults=00000000200300005802000000000000000000000100000072757300010000000100000000000000
poll 200 cfg_is "$defaults" || fail "cfg after the first reshape: $(hex "$run/cfg")"
poll 200 shows_fps || fail "title never showed FPS: '$(xdotool getwindowname "$wid")'"
menu_up
shot e2e_language
pick_english
[ "$(cfg_lang)" = eng ] || fail "cfg language after the English flag: '$(cfg_lang)'"
shot e2e_main_menu

new_world name_world
wait_out "world size 20 $"
wait_out "^created [0-9]+,"
sleep 2
quit_game
n=$(saved_chunks "$run/saves/$world") && [ "$n" -gt 0 ] || fail "no whole chunk files saved in $world"

# --- Second start: straight to the main menu; the world is listed and resumes at size 20.
start_menu
resume_world
wait_out "world size 20 $"
wait_out "^loaded [0-9]+,"
sleep 1
quit_game

# --- Third start: a resize is written at once; key codes print on release.
start_menu
xdotool windowsize "$wid" 1024 768
poll 100 eval '[ "$(hex -j 4 -N 8 "$run/cfg")" = 0004000000030000 ]' ||
    fail "cfg after resize to 1024x768: $(hex "$run/cfg")"
xdotool mousemove --window "$wid" 512 384
xdotool key a Tab
for line in "97 " "chenged fly 0 " "9 "; do
    poll 200 has_line "$line" || fail "standard output never showed the line '$line'"
done
quit_game

# --- Fourth start keeps the resized window; SIGINT ends it through the main loop.
start_game
sleep 1
[ "$(hex -j 4 -N 8 "$run/cfg")" = 0004000000030000 ] || fail "size not kept across starts"
kill -INT "$pid"
wait_exit INT

echo "start e2e: all checks passed"
