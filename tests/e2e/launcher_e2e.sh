#!/usr/bin/env bash
# The installed launcher on its own: --version and --help without a display, its refusals
# (no display, a data folder that cannot be made or written: one line, status 1, nothing
# written), and the data folder it prepares: the default place under HOME, one link per
# installed file, stale links dropped, a player's own file kept, nothing written in the prefix.
# Usage: launcher_e2e.sh GAME_DIR BUILD_DIR
set -uo pipefail
build=$(cd "$2" && pwd)
scratch=$(mktemp -d /tmp/tess-launcher-e2e-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
log="$scratch/log"
mkdir -p "$log" "$scratch/home" "$scratch/xdg" "$scratch/start"
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: install"; exit 1; }
launcher="$prefix/bin/tessaron"

fail() {
    echo "FAIL: $*"
    for f in out err; do [ -f "$log/$f" ] && { echo "--- $f"; cat "$log/$f"; }; done
    exit 1
}

# What a run may have written: every path under the scratch folders, its size and time.
snapshot() { find "$scratch/home" "$scratch/xdg" "$scratch/start" "$prefix" -printf '%p %s %T@\n' | sort; }

# Runs env with the arguments from the unrelated folder with a scratch HOME. Sets status.
launch() {
    (cd "$scratch/start" && HOME="$scratch/home" exec env "$@" >"$log/out" 2>"$log/err")
    status=$?
}

# --- Cases that must not touch anything: a table of environment, arguments, status and the
# line expected on stdout or stderr.
#   name | env and args | status | stream | line (extended regex)
cases=(
    "version|-u DISPLAY $launcher --version|0|out|^tessaron 0\.10$"
    "help|-u DISPLAY $launcher --help|0|out|^Usage: tessaron "
    "no display|-u DISPLAY XDG_DATA_HOME=$scratch/xdg $launcher|1|err|^tessaron: no display "
    "empty display|DISPLAY= $launcher|1|err|^tessaron: no display "
    "folder cannot be made|DISPLAY=:9 XDG_DATA_HOME=$scratch/start/file $launcher|1|err|^tessaron: cannot make the data folder $scratch/start/file/tessaron$"
)
touch "$scratch/start/file"
for row in "${cases[@]}"; do
    IFS='|' read -r name cmd want stream line <<<"$row"
    before=$(snapshot)
    # shellcheck disable=SC2086 # the command is split on purpose
    launch $cmd
    [ "$status" = "$want" ] || fail "$name: status $status, expected $want"
    grep -qE -- "$line" "$log/$stream" || fail "$name: no line matching '$line' on std$stream"
    [ "$(wc -l <"$log/$stream")" = 1 ] || [ "$name" = help ] || fail "$name: more than one line"
    [ "$(snapshot)" = "$before" ] || fail "$name: wrote something"
done

# --- An existing folder the player cannot write. Root writes anywhere, so as root the
# launcher runs as nobody.
mkdir "$scratch/xdg/tessaron"
chmod 0555 "$scratch/xdg/tessaron"
chmod 0755 "$scratch" "$scratch/home" "$scratch/start" "$log" "$scratch/xdg"
chmod 0777 "$log"
as_player=()
[ "$(id -u)" = 0 ] && as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
before=$(snapshot)
launch "${as_player[@]}" env DISPLAY=:9 XDG_DATA_HOME="$scratch/xdg" "$launcher"
[ "$status" = 1 ] || fail "unwritable folder: status $status"
grep -qx "tessaron: the data folder $scratch/xdg/tessaron is not writable" "$log/err" ||
    fail "unwritable folder: wrong line"
[ "$(snapshot)" = "$before" ] || fail "unwritable folder: wrote something"
chmod 0755 "$scratch/xdg/tessaron"

# --- The folder it prepares. A display that cannot be opened lets the launcher do all its
# work and the game stop at once. A relative XDG_DATA_HOME is ignored: the default place
# under HOME is used. An older install left a link to a file that is gone, and the player
# replaced the sun with a file of their own.
data="$scratch/home/.local/share/tessaron"
mkdir -p "$data/world/standart"
ln -s "/old/prefix/share/tessaron/world/standart/moon.tga" "$data/world/standart/moon.tga"
ln -s "/somewhere/else/notes.txt" "$data/notes.txt"
echo mine >"$data/world/standart/sun.tga"
prefix_before=$(find "$prefix" -printf '%p %s %T@\n' | sort)
launch DISPLAY=:no-such-display XDG_DATA_HOME=relative/path "$launcher"
[ "$status" != 0 ] || fail "the game started without a display"
[ ! -e "$scratch/start/relative" ] || fail "a relative XDG_DATA_HOME was used"
[ -d "$data/saves" ] || fail "no saves folder in $data"
[ -f "$data/cfg" ] || fail "the game did not run in $data"
[ "$(find "$prefix" -printf '%p %s %T@\n' | sort)" = "$prefix_before" ] ||
    fail "something was written in the prefix"
[ "$(ls -A "$scratch/start")" = file ] || fail "something was written in the starting folder"
n=0
while IFS= read -r rel; do
    rel=${rel#./}
    [ "$rel" = world/standart/sun.tga ] && continue
    [ "$(readlink "$data/$rel")" = "$prefix/share/tessaron/$rel" ] || fail "$rel is not linked"
    n=$((n + 1))
done < <(cd "$prefix/share/tessaron" && find . -type f)
[ "$n" -ge 8 ] || fail "only $n data files installed"
[ "$(cat "$data/world/standart/sun.tga")" = mine ] || fail "the player's own file was replaced"
[ ! -L "$data/world/standart/moon.tga" ] || fail "the stale link was kept"
[ -L "$data/notes.txt" ] || fail "a link the launcher did not make was removed"

echo "launcher e2e: all checks passed"
