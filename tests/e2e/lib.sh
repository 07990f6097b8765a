# Shared steps of the end-to-end scripts: a scratch copy of the game folder without settings
# or saves, the game started in it and its window found, clicks, waits and a checked exit.
# Source it with $game set to the game folder; e2e_begin sets scratch, run, pid and wid.

e2e_cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null; fi
    [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
    rm -rf "$scratch"
}

fail() {
    echo "FAIL: $*"
    for f in out err; do
        [ -f "$run/$f.txt" ] && { echo "--- $f"; tail -n 40 "$run/$f.txt"; }
    done
    exit 1
}

# Runs the command every 50 ms until it succeeds, at most $1 times.
poll() {
    local n=$1
    shift
    for _ in $(seq "$n"); do "$@" && return 0; sleep 0.05; done
    return 1
}

e2e_begin() {
    scratch=$(mktemp -d "/tmp/tess-$1-e2e-XXXXXX")
    run="$scratch/run"
    pid=""
    wid=""
    keeper=""
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

# Starts the game in the scratch folder and sets wid once its window exists.
start_game() {
    (cd "$run" && exec "$game/tessaron" >out.txt 2>err.txt) &
    pid=$!
    wid=$(poll 600 find_window) || fail "no window titled 'Tessaron, v0.10, linux' within 30 s"
}

# Starts the game and waits until the menu is up (start-up has printed its last line).
start_menu() {
    start_game
    wait_out '^max texture size'
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
click() {
    xdotool mousemove --window "$wid" "$1" "$2"
    sleep 0.3
    xdotool click 1
    sleep 0.7
}

# Waits for the game to end and checks its exit status.
wait_exit() {
    poll 1200 ended || fail "still running 60 s after $1"
    wait "$pid"
    local status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "exit status $status after $1"
}

quit_game() {
    xdotool key --window "$wid" Escape 2>/dev/null
    wait_exit "Escape"
}
