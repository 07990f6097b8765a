#!/usr/bin/env bash
# The real game in a scratch working folder: the first start's "cfg", the window titles, a
# resize, key codes on standard output, and a clean exit on Escape, the window's close button,
# SIGTERM and SIGINT.
# Usage: shell_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
scratch=$(mktemp -d /tmp/tess-shell-e2e-XXXXXX)
pid=""
keeper=""

cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null; fi
    [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in out err; do
        [ -f "$scratch/run/$f.txt" ] && { echo "--- $f"; tail -n 40 "$scratch/run/$f.txt"; }
    done
    exit 1
}

# A copy of the game folder's data without any settings or saves.
prepare() {
    rm -rf "$scratch/run"
    mkdir -p "$scratch/run"
    cp -r "$game"/. "$scratch/run/"
    rm -rf "$scratch/run/cfg" "$scratch/run/cfg.tmp" "$scratch/run/saves" "$scratch/run/tessaron"
    mkdir "$scratch/run/saves"
}

start_game() {
    (cd "$scratch/run" && exec "$game/tessaron" >out.txt 2>err.txt) &
    pid=$!
}

# Prints the window id once the game's window exists.
wait_window() {
    local w
    for _ in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || fail "the game ended before its window appeared"
        w=$(xdotool search --name '^Tessaron, v0\.10, linux' 2>/dev/null | tail -n1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.05
    done
    fail "no window titled 'Tessaron, v0.10, linux' within 30 s"
}

# Waits until standard output holds the exact line given.
wait_line() {
    for _ in $(seq 200); do
        grep -qxF -- "$1" "$scratch/run/out.txt" && return 0
        sleep 0.05
    done
    fail "standard output never showed the line '$1'"
}

hex() { od -An -tx1 -v "$@" | tr -d ' \n'; }

# Asks the window to close as a window manager's close button does (WM_DELETE_WINDOW).
close_window() {
    python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                         ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

class Event(ctypes.Union):
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]

d = x.XOpenDisplay(None)
if not d:
    sys.exit("no display")
win = int(sys.argv[1])
ev = Event()
ev.client.type = 33  # ClientMessage
ev.client.window = win
ev.client.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
ev.client.format = 32
ev.client.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, win, 0, 0, ctypes.byref(ev))
x.XFlush(d)
x.XCloseDisplay(d)
PY
}

# Waits for the game to end and checks its exit status.
wait_exit() {
    local what=$1 status
    for _ in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "still running 60 s after $what"
    wait "$pid"
    status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "exit status $status after $what"
}

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

# --- First start: "cfg", titles, resize, key codes, Escape.
prepare
start_game
wid=$(wait_window)
first_title=$(xdotool getwindowname "$wid")
[ "$first_title" = "Tessaron, v0.10, linux" ] || fail "start-up title was '$first_title'"

# "cfg" is created from the defaults before the window opens; the first reshape, when the
# window shows, rewrites it with the position forced to (0, 0).
created=0000000020030000580200001e0000001e0000000100000072757300010000000100000000000000
defaults=${created:0:24}0000000000000000${created:40}
cfg_now=""
for _ in $(seq 200); do
    [ -f "$scratch/run/cfg" ] && cfg_now=$(hex "$scratch/run/cfg")
    [ "$cfg_now" = "$defaults" ] && break
    [ -z "$cfg_now" ] || [ "$cfg_now" = "$created" ] || fail "cfg at first start: $cfg_now"
    sleep 0.05
done
[ "$cfg_now" = "$defaults" ] || fail "cfg after the first reshape: $cfg_now"

title=""
for _ in $(seq 200); do
    title=$(xdotool getwindowname "$wid")
    [[ "$title" =~ ^Tessaron,\ v0\.10,\ linux,\ FPS:\ [0-9]+$ ]] && break
    sleep 0.05
done
[[ "$title" =~ ^Tessaron,\ v0\.10,\ linux,\ FPS:\ [0-9]+$ ]] || fail "title never showed FPS: '$title'"

xdotool windowsize "$wid" 1024 768
want=${defaults:0:8}0004000000030000${defaults:24}
for _ in $(seq 100); do [ "$(hex "$scratch/run/cfg")" = "$want" ] && break; sleep 0.05; done
[ "$(hex "$scratch/run/cfg")" = "$want" ] || fail "cfg after resize to 1024x768: $(hex "$scratch/run/cfg")"
[ -e "$scratch/run/cfg.tmp" ] && fail "cfg.tmp left behind"

xdotool mousemove --window "$wid" 512 384
xdotool key a
wait_line "97 "
xdotool key space
wait_line "32 "
xdotool key Tab
wait_line "chenged fly 0 "
wait_line "9 "
grep -qE '^max texture size [0-9]+ $' "$scratch/run/out.txt" || fail "no max texture size line"

xdotool key Escape
wait_exit "Escape"

# --- The close button and termination signals end the game the same way, through the main
# loop and the final save. This start finds "cfg" and keeps the resized window.
start_game
wid=$(wait_window)
sleep 1
[ "$(hex -j 4 -N 8 "$scratch/run/cfg")" = 0004000000030000 ] || fail "size not kept across starts"
close_window "$wid" || fail "could not send the close request"
wait_exit "the close button"

for sig in TERM INT; do
    start_game
    wait_window >/dev/null
    sleep 1
    kill -"$sig" "$pid"
    wait_exit "SIG$sig"
done

echo "shell e2e: all checks passed"
