#!/usr/bin/env bash
# The real game in a scratch working folder: the first start's "cfg", the window titles, a
# resize, key codes on standard output, and a clean exit on Escape, the window's close button,
# SIGTERM and SIGINT; SIGHUP saves a world's chunks and flushes them to disk once.
# Usage: shell_e2e.sh GAME_DIR BUILD_DIR (DISPLAY set).
set -uo pipefail
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
e2e_begin shell

hex() { od -An -tx1 -v "$@" | tr -d ' \n'; }
cfg_is() { [ "$(hex "$run/cfg" 2>/dev/null)" = "$1" ]; }
has_line() { grep -qxF -- "$1" "$run/out.txt"; }
shows_fps() { [[ "$(xdotool getwindowname "$wid")" =~ ^Tessaron,\ v0\.10,\ linux,\ FPS:\ [0-9]+$ ]]; }

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

# --- First start, from a copy of the game folder without any settings or saves: "cfg", titles,
# resize, key codes, Escape.
start_game
title=$(xdotool getwindowname "$wid")
[ "$title" = "Tessaron, v0.10, linux" ] || fail "start-up title was '$title'"

# "cfg" is created from the defaults before the window opens; the first reshape, when the
# window shows, rewrites it with the position forced to (0, 0).
created=0000000020030000580200001e0000001e0000000100000072757300010000000100000000000000
defaults=${created:0:24}0000000000000000${created:40}
cfg_is "$created" || cfg_is "$defaults" || fail "cfg at first start: $(hex "$run/cfg")"
poll 200 cfg_is "$defaults" || fail "cfg after the first reshape: $(hex "$run/cfg")"
poll 200 shows_fps || fail "title never showed FPS: '$(xdotool getwindowname "$wid")'"

xdotool windowsize "$wid" 1024 768
resized=${defaults:0:8}0004000000030000${defaults:24}
poll 100 cfg_is "$resized" || fail "cfg after resize to 1024x768: $(hex "$run/cfg")"
[ -e "$run/cfg.tmp" ] && fail "cfg.tmp left behind"

xdotool mousemove --window "$wid" 512 384
xdotool key a Tab
for line in "97 " "chenged fly 0 " "9 "; do
    poll 200 has_line "$line" || fail "standard output never showed the line '$line'"
done
grep -qE '^max texture size [0-9]+ $' "$run/out.txt" || fail "no max texture size line"

xdotool key Escape
wait_exit "Escape"

# --- The close button and termination signals end the game the same way, through the main
# loop and the final save. These starts find "cfg" and keep the resized window.
for how in close TERM INT; do
    start_game
    sleep 1
    [ "$(hex -j 4 -N 8 "$run/cfg")" = 0004000000030000 ] || fail "size not kept across starts"
    if [ "$how" = close ]; then
        close_window "$wid" || fail "could not send the close request"
    else
        kill -"$how" "$pid"
    fi
    wait_exit "$how"
done

# --- SIGHUP, as when the terminal that started the game closes, ends it like SIGTERM: every
# chunk of a new world (most still in memory, not yet on disk) is saved, and the
# saves are flushed to disk once on the way out (the trace keeps the game's syncfs calls).
# A first start again (the menu's points are for an 800 x 600 window); the leak check cannot
# run under ptrace.
rm -f "$run/cfg"
(cd "$run" && ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" exec strace -f -qq --seccomp-bpf \
    -e trace=syncfs -e signal=none -o "$run/syncfs.txt" "$game/tessaron" >out.txt 2>err.txt) &
tracer=$!
wid=$(poll 600 find_window) || fail "no window under strace within 30 s"
pid=$(pgrep -P "$tracer" | head -n1)
[ -n "$pid" ] || fail "no game process under strace"
wait_out '^max texture size'
sleep 0.5
click 640 400
click 400 265
click 400 515
click 400 515
wait_out 'world size 10 $' 200
made=$(chunks_settled 30 1)
[ "$made" -gt 0 ] || fail "no chunk was generated"
chunk_files() { find "$run/saves" -name '*.vxc' | wc -l; }
before=$(chunk_files)
kill -HUP "$pid"
pid=$tracer # strace ends with the game's status
wait_exit HUP
after=$(chunk_files)
[ "$after" -ge "$made" ] && [ "$after" -gt "$before" ] ||
    fail "after SIGHUP $after chunk files ($before before) for $made chunks made"
[ -z "$(find "$run/saves" -name '*.tmp')" ] || fail "temporary files left behind"
[ "$(grep -c '^[0-9]* *syncfs(.*= 0$' "$run/syncfs.txt")" -eq 1 ] ||
    fail "the exit did not flush once: $(cat "$run/syncfs.txt")"

echo "shell e2e: all checks passed"
