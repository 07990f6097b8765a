#!/usr/bin/env bash
# Every way out saves. SIGTERM after a flight across chunk borders leaves a whole file for
# every chunk ever made, those still waiting in the save queue too; the window's close button
# leaves a resumed world saved; SIGHUP, as when the terminal closes, saves a new world's
# chunks and flushes them to disk once, though the reader of the game's output left before;
# and when every chunk file is refused, Escape ends with one summary line and status 1, not 0.
# (SIGINT and Escape end the other stories' games.)
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin exits "$@"

# Asks the window to close as a window manager's close button does (WM_DELETE_WINDOW). Debian's
# own interpreter: the X library is its package.
close_window() {
    /usr/bin/python3 - "$1" <<'PY'
import sys
from Xlib import X, display, protocol
d = display.Display()
win = d.create_resource_object("window", int(sys.argv[1]))
data = (32, [d.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])
win.send_event(protocol.event.ClientMessage(window=win, client_type=d.intern_atom("WM_PROTOCOLS"),
                                            data=data))
d.flush()
PY
}

# --- SIGTERM after a flight: the first world, at the default name and size.
start_menu
pick_english
new_world
wait_out '^created ' 600
sleep 2
xdotool keydown w sleep 6 keyup w
kill -TERM "$pid"
wait_exit "SIGTERM after a flight"
# Every chunk the flight made (a "created" line each) has a whole file, the queued ones too.
made=$(sed -nE 's/^created [0-9]+,([0-9]+) ([0-9]+) ([0-9]+) $/\1-\2-\3.vxc/p' "$run/out.txt" |
    sort -u)
bad=$(cd "$run"/saves/*/ && stat -c %s $made 2>&1 | grep -cvx 524288)
[ "$(wc -w <<<"$made")" -gt 36 ] && [ "$bad" = 0 ] ||
    fail "$(wc -w <<<"$made") chunks made, $bad without a whole file after SIGTERM"

# --- The close button, on the same world resumed: it is saved again, whole.
before=$(saved_chunks)
start_menu
resume_world
wait_out '^loaded [0-9]+,'
sleep 1
close_window "$wid" || fail "could not send the close request"
wait_exit "the close request"
after=$(saved_chunks) || fail "a chunk file is not whole or a temporary file is left"
[ "$after" -ge "$before" ] || fail "chunk files went from $before to $after"

# --- SIGHUP on a new world, most of its chunks still in memory only, after the reader of
# the game's output has gone (a pipe into a pager that was quit): the flight's "created" lines
# meet a closed pipe. The trace keeps the game's syncfs calls. The leak check cannot run under
# ptrace.
mkfifo "$scratch/pipe"
cat <"$scratch/pipe" >>"$run/out.txt" &
reader=$!
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" start_game bash -c 'exec "$@" >"$0"' \
    "$scratch/pipe" strace -f -qq --seccomp-bpf -e trace=syncfs -e signal=none \
    -o "$run/syncfs.txt" "$game/tessaron"
tracer=$pid
pid=$(pgrep -P "$tracer" | head -n1)
[ -n "$pid" ] || fail "no game process under strace"
menu_up
new_world
made=$(chunks_settled 30 1)
[ "$made" -gt 0 ] || fail "no chunk was generated"
folder=$(ls -td "$run"/saves/*/ | head -n1) # the world just made
before=$(saved_chunks "$folder")
kill "$reader"
wait "$reader" 2>/dev/null
xdotool keydown w sleep 4 keyup w
kill -0 "$pid" 2>/dev/null || fail "the game died writing to a pipe nobody reads"
kill -HUP "$pid"
pid=$tracer # strace ends with the game's status
wait_exit HUP
after=$(saved_chunks "$folder") && [ "$after" -ge "$made" ] && [ "$after" -gt "$before" ] ||
    fail "after SIGHUP $after whole chunk files ($before before) for $made chunks made"
[ "$(grep -c '^[0-9]* *syncfs(.*= 0$' "$run/syncfs.txt")" -eq 1 ] ||
    fail "the exit did not flush once: $(cat "$run/syncfs.txt")"

# --- No chunk file fits in 256 KiB: every save fails (and must not kill the game), and Escape
# reports them all and fails. (The game's other files fit, coverage counters included.)
start_menu
new_world
wait_out '^created ' 600
sleep 2
prlimit --pid "$pid" --fsize=262144 || fail "prlimit could not limit the game"
files=$(saved_chunks)
xdotool key --window "$wid" Escape 2>/dev/null
wait_exit Escape 1
n=$(grep -c '^created ' "$run/out.txt")
grep -qE "^$n chunks could not be saved in \./saves/[^/]+/, first reason: File too large \$" \
    "$run/out.txt" || fail "no summary line for the $n chunks in memory"
[ "$(grep -c 'could not be saved' "$run/out.txt")" -eq 1 ] || fail "more than one summary line"
[ "$(saved_chunks)" = "$files" ] || fail "chunk files were written or a temporary file is left"

echo "exits e2e: all checks passed ($n chunks reported unsaved)"
