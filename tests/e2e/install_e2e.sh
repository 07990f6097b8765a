#!/usr/bin/env bash
# The game installed into a scratch prefix and started through its launcher from an
# unrelated folder, with a scratch HOME and XDG_DATA_HOME: a world is made through the menu
# and left with Escape, its settings and chunks land in the data folder and nowhere else,
# and a second start resumes it. Usage: install_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
source "$(dirname "$0")/lib.sh"
e2e_begin install
rm -rf "${run:?}"/* # only the game's output goes here; the data must come from the prefix
prefix="$scratch/prefix"
home="$scratch/home"
xdg="$scratch/xdg"
start="$scratch/start"
data="$xdg/tessaron"
mkdir -p "$home" "$xdg" "$start"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"

snapshot() { find "$prefix" "$start" "$home" -printf '%p %s %T@\n' | sort; }

start_installed() {
    (cd "$start" && HOME="$home" XDG_DATA_HOME="$xdg" exec "$prefix/bin/tessaron" \
        >"$run/out.txt" 2>"$run/err.txt") &
    pid=$!
    wid=$(poll 600 find_window) || fail "no window titled 'Tessaron, v0.10, linux' within 30 s"
    wait_out '^max texture size'
    sleep 0.5
}

before=$(snapshot)

# --- First start: the language page, English, a new world with the offered name.
start_installed
click 640 400
click 400 265
click 400 515
click 400 515
wait_out "world size 10 $"
wait_out "^created [0-9]+,"
sleep 1
quit_game
[ "$(od -An -c -j 24 -N 3 "$data/cfg" | tr -d ' ')" = eng ] || fail "no English cfg in $data"
worlds=$(find "$data/saves" -mindepth 1 -maxdepth 1 -type d | wc -l)
[ "$worlds" = 1 ] || fail "$worlds world folders in $data/saves"
world=$(find "$data/saves" -mindepth 1 -maxdepth 1 -type d)
nfiles=$(find "$world" -name '*.vxc' -size 524288c | wc -l)
[ "$nfiles" -gt 0 ] || fail "no chunk files in $world"
[ -L "$data/world/standart/ground.tga" ] || fail "the atlas is not linked into $data"
[ "$(snapshot)" = "$before" ] || fail "the prefix, the starting folder or HOME changed"

# --- Second start: the main menu at once; the world is listed and its chunks are loaded.
start_installed
click 400 265
click 250 235
wait_out "world size 10 $"
wait_out "^loaded [0-9]+,"
sleep 1
quit_game
[ "$(find "$data/saves" -mindepth 1 -maxdepth 1 -type d | wc -l)" = 1 ] ||
    fail "the second start made another world"
[ "$(snapshot)" = "$before" ] || fail "the prefix, the starting folder or HOME changed"

echo "install e2e: all checks passed"
