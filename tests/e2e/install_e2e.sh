#!/usr/bin/env bash
# Install: the game installed into a scratch prefix and started through its launcher from an
# unrelated folder with a scratch HOME. Without a display the launcher answers --version and
# --help and refuses to start; it refuses a data folder it cannot make or write (one line,
# status 1, nothing written); the data folder it prepares holds one link per installed file,
# drops stale links, keeps a player's own file and writes nothing in the prefix. Then with
# XDG_DATA_HOME set, a world is made through the menu and left with Escape, its settings and
# chunks land in the data folder and nowhere else, and a second start on that folder works.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin install "$@"
rm -rf "${run:?}"/* # only the game's output goes here; the data must come from the prefix
prefix="$scratch/prefix"
home="$scratch/home"
xdg="$scratch/xdg"
start="$scratch/start"
mkdir -p "$home" "$xdg" "$start"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
launcher="$prefix/bin/tessaron"

# What a run may have written: every path under the folders named, its size and time.
snapshot() { find "$@" -printf '%p %s %T@\n' | sort; }

# Runs env with the arguments from the unrelated folder with the scratch HOME. Sets status.
launch() {
    (cd "$start" && HOME="$home" exec env "$@" >"$run/out.txt" 2>"$run/err.txt")
    status=$?
}

# --- Cases that must not touch anything: a table of environment, arguments, status and the
# line expected on stdout or stderr. An existing folder the player cannot write is refused
# too; root writes anywhere, so as root the launcher runs as nobody.
mkdir "$xdg/tessaron"
chmod 0555 "$xdg/tessaron"
chmod 0755 "$scratch" "$home" "$start" "$xdg"
chmod 0777 "$run"
as_player=env
[ "$(id -u)" = 0 ] && as_player="setpriv --reuid=65534 --regid=65534 --clear-groups env"
#   name | env and args | status | stream | line (extended regex)
cases=(
    "version|-u DISPLAY $launcher --version|0|out|^tessaron 0\.10$"
    "help|-u DISPLAY $launcher --help|0|out|^Usage: tessaron "
    "no display|-u DISPLAY XDG_DATA_HOME=$xdg $launcher|1|err|^tessaron: no display "
    "empty display|DISPLAY= $launcher|1|err|^tessaron: no display "
    "folder cannot be made|DISPLAY=:9 XDG_DATA_HOME=$start/file $launcher|1|err|^tessaron: cannot make the data folder $start/file/tessaron$"
    "not writable|$as_player DISPLAY=:9 XDG_DATA_HOME=$xdg $launcher|1|err|^tessaron: the data folder $xdg/tessaron is not writable$"
)
touch "$start/file"
for row in "${cases[@]}"; do
    IFS='|' read -r name cmd want stream line <<<"$row"
    before=$(snapshot "$home" "$xdg" "$start" "$prefix")
    # shellcheck disable=SC2086 # the command is split on purpose
    launch $cmd
    [ "$status" = "$want" ] || fail "$name: status $status, expected $want"
    grep -qE -- "$line" "$run/$stream.txt" || fail "$name: no line matching '$line' on std$stream"
    [ "$(wc -l <"$run/$stream.txt")" = 1 ] || [ "$name" = help ] || fail "$name: more than one line"
    [ "$(snapshot "$home" "$xdg" "$start" "$prefix")" = "$before" ] || fail "$name: wrote something"
done

rmdir "$xdg/tessaron" # the story below starts without it

# --- The folder it prepares. A display that cannot be opened lets the launcher do all its
# work and the game stop at once. A relative XDG_DATA_HOME is ignored: the default place
# under HOME is used. An older install left a link to a file that is gone, and the player
# replaced the sun with a file of their own.
home_data="$home/.local/share/tessaron"
mkdir -p "$home_data/world/standart"
ln -s "/old/prefix/share/tessaron/world/standart/moon.tga" "$home_data/world/standart/moon.tga"
ln -s "/somewhere/else/notes.txt" "$home_data/notes.txt"
echo mine >"$home_data/world/standart/sun.tga"
prefix_before=$(snapshot "$prefix")
launch DISPLAY=:no-such-display XDG_DATA_HOME=relative/path "$launcher"
[ "$status" != 0 ] || fail "the game started without a display"
[ -d "$home_data/saves" ] && [ -f "$home_data/cfg" ] || fail "the game did not run in $home_data"
[ "$(snapshot "$prefix")" = "$prefix_before" ] || fail "something was written in the prefix"
[ "$(ls -A "$start")" = file ] || fail "something (a relative XDG_DATA_HOME?) was written in the starting folder"
files=$(find "$prefix/share/tessaron" -type f ! -path '*/world/standart/sun.tga' -printf '%P\n')
for rel in $files; do # the installed names hold no spaces
    [ "$(readlink "$home_data/$rel")" = "$prefix/share/tessaron/$rel" ] || fail "$rel is not linked"
done
[ "$(wc -l <<<"$files")" -ge 8 ] || fail "only $(wc -l <<<"$files") data files installed"
[ "$(cat "$home_data/world/standart/sun.tga")" = mine ] || fail "the player's own file was replaced"
[ ! -L "$home_data/world/standart/moon.tga" ] || fail "the stale link was kept"
[ -L "$home_data/notes.txt" ] || fail "a link the launcher did not make was removed"

# --- The installed game with XDG_DATA_HOME set.
data="$xdg/tessaron"
start_installed() {
    start_menu env -C "$start" HOME="$home" XDG_DATA_HOME="$xdg" "$launcher"
}
before=$(snapshot "$prefix" "$start" "$home")

# --- First start: the language page, English, a new world with the offered name.
start_installed
pick_english
new_world
wait_out "^created [0-9]+,"
sleep 1
quit_game
[ "$(cfg_lang "$data/cfg")" = eng ] || fail "no English cfg in $data"
worlds() { find "$data/saves" -mindepth 1 -maxdepth 1 -type d | wc -l; }
[ "$(worlds)" = 1 ] || fail "$(worlds) world folders in $data/saves"
n=$(saved_chunks "$data/saves") && [ "$n" -gt 0 ] || fail "no whole chunk files in $data/saves"
[ "$(snapshot "$prefix" "$start" "$home")" = "$before" ] || fail "the prefix, the starting folder or HOME changed"

# --- Second start, on the folder the first one prepared: the main menu at once.
start_installed
quit_game
[ "$(worlds)" = 1 ] || fail "the second start made another world"
[ "$(snapshot "$prefix" "$start" "$home")" = "$before" ] || fail "the prefix, the starting folder or HOME changed"

echo "install e2e: all checks passed"
