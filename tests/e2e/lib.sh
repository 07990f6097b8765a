# Shared steps of the end-to-end scripts: a scratch copy of the game folder without settings
# or saves, the game started in it and its window found, the menu's clicks, screenshots, the
# settings file's fields, waits and a checked exit. Each script is called as
#   SCRIPT GAME_DIR BUILD_DIR (DISPLAY set)
# and calls e2e_begin NAME "$@", which sets game, build, shots, scratch and run; start_game
# sets pid and wid.

e2e_cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null; fi
    [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
    rm -rf "$scratch"
}

fail() {
    echo "FAIL: $*"
    tail -n 40 "$run/out.txt" "$run/err.txt" 2>/dev/null
    exit 1
}

# Runs the command every 50 ms until it succeeds, at most $1 times.
poll() {
    for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.05; done
    return 1
}

e2e_begin() {
    # A script that set game itself may name only itself: the game folder sits in the build.
    if [ $# -ge 2 ]; then game=$(cd "$2" && pwd); fi
    build=$(cd "${3:-$game/..}" && pwd)
    shots="$build/test-out"
    mkdir -p "$shots"
    scratch=$(mktemp -d "/tmp/tess-$1-e2e-XXXXXX")
    run="$scratch/run"
    pid="" wid="" keeper=""
    trap e2e_cleanup EXIT
    # The X server resets when its last client leaves and refuses connections meanwhile; one
    # client held open for the whole script keeps the game's next start from meeting a reset.
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
    rm -rf "$run/cfg" "$run/cfg.tmp" "$run/saves" "$run/tessaron" "$run/tess_flight"
    mkdir "$run/saves"
}

find_window() { xdotool search --name '^Tessaron, v0\.10, linux' 2>/dev/null | tail -n1 | grep .; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
has_output() { grep -qE -- "$1" "$run/out.txt"; }

# Starts the game (the command in the arguments, by default the game in the scratch folder)
# and sets wid once its window exists.
start_game() {
    if [ $# -eq 0 ]; then set -- "$game/tessaron"; fi
    (cd "$run" && exec "$@" >out.txt 2>err.txt) &
    pid=$!
    wid=$(poll 600 find_window) || fail "no window titled 'Tessaron, v0.10, linux' within 30 s"
}

# Starts the game and waits until the menu is up (start-up has printed its last line).
start_menu() {
    start_game "$@"
    menu_up
}
menu_up() {
    wait_out '^max texture size [0-9]+ $'
    sleep 0.5
}

# Prints how many chunks the game has created once streaming has settled: no new "created"
# line over a pause of $2 seconds, at most $1 pauses.
chunks_settled() {
    local last=-1 n=0
    for _ in $(seq "$1"); do
        n=$(grep -c '^created ' "$run/out.txt")
        [ "$n" -gt 0 ] && [ "$n" = "$last" ] && break
        last=$n
        sleep "$2"
    done
    echo "$n"
}

# Waits until standard output has a line matching the extended regex ($2 tries of 50 ms).
wait_out() { poll "${2:-600}" has_output "$1" || fail "standard output never matched '$1'"; }

# Moves the pointer to menu point (x, y) of the 800 x 600 window and clicks there. The
# centre (400, 300) is never used: the game ignores motion to it.
click() { xdotool mousemove --window "$wid" "$1" "$2" sleep 0.3 click 1 sleep 0.7; }

# The menu's ways, at its points for an 800 x 600 window. The language page shows on a first
# start only. A new world: "new game", "create world", then the form (the command in the
# arguments may fill it in), "create"; it waits for the world size line.
pick_english() { click 640 400; }
new_world() {
    click 400 265
    click 400 515
    "$@"
    click 400 515
    wait_out 'world size [0-9]+ $' 200
}
# The first world of the list.
resume_world() {
    click 400 265
    click 250 235
}

# Screenshot of the game's window into the test output folder.
shot() { import -window "$wid" "$shots/$1.png" 2>/dev/null || fail "no screenshot $1"; }

# The chunk files under a folder (by default the saves): prints how many there are, and fails
# when one is not whole or a temporary file is left.
saved_chunks() {
    [ -z "$(find "${1:-$run/saves}" -name '*.tmp' -o -name '*.vxc' ! -size 524288c)" ] &&
        find "${1:-$run/saves}" -name '*.vxc' | wc -l
}
# Prints $5 (default 1) block values of chunk file $1 upward from local block ($2, $3, $4).
blocks() { od -An -tu2 -v -j $((2 * (($2 * 64 + $3) * 64 + $4))) -N $((2 * ${5:-1})) "$1" | xargs; }

# Any file's bytes as hex; the language code of "cfg" (or of the file named).
hex() { od -An -tx1 -v "$@" | tr -d ' \n'; }
cfg_lang() { od -An -c -j 24 -N 3 "${1:-$run/cfg}" | tr -d ' '; }

# Waits for the game to end and checks its exit status (0 unless $2 says otherwise).
wait_exit() {
    poll 1200 ended || fail "still running 60 s after $1"
    wait "$pid"
    local status=$?
    pid=""
    [ "$status" -eq "${2:-0}" ] || fail "exit status $status after $1, not ${2:-0}"
}

quit_game() {
    xdotool key --window "$wid" Escape 2>/dev/null
    wait_exit "Escape"
}
