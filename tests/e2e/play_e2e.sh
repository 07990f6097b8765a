#!/usr/bin/env bash
# Playing. A name typed the usual way starts a new world from the menu; the camera stands
# still with no key held; a walk, a block placed beside the body with the right button, the
# turf under the feet broken with the left button held and its box in the hotbar, and both
# changes in the chunk file after Escape. Then flights across
# several chunks with the headless driver: every chunk file holds the terrain of its level,
# and a second flight reads the chunks back instead of generating them.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin play "$@"

# The screen as the player sees it (the hotbar cells are compared in it).
screen() { import -window root -crop 800x600+0+0 +repage "$1" 2>/dev/null; }

# Differing pixels between the top faces of the cube icons of hotbar cells $1 and $2. The
# face is opaque, so two cells holding the same type match whatever the scene behind them.
cell_diff() {
    local f="$scratch/cells.png" a=$((210 + 38 * $1 + 10)) b=$((210 + 38 * $2 + 10))
    screen "$f" || { echo 9999; return; }
    compare -metric AE -fuzz 6% "$f[12x6+$a+572]" "$f[12x6+$b+572]" null: 2>&1 | cut -d' ' -f1
}

# A capital S added to the default name, typed as people do, Shift let go before the letter:
# the release reaches the game as "s".
type_s() {
    xdotool keydown shift keydown s keyup shift keyup s
    wait_out '^115 $' 100
}
start_menu
pick_english
new_world type_s
[ -d "$run/saves/world 1S" ] || fail "the world was not named 'world 1S': $(ls "$run/saves")"

# Let streaming bring in the chunks around the start: no new one for two seconds.
n=$(chunks_settled 60 2)
[ "$n" -gt 20 ] || fail "only $n chunks were generated"

# Nothing is held, so the camera stands still: the scene above the hotbar in two pictures
# taken shortly one after the other matches but for the light, which follows the clock (and
# changes fast in the morning), so the two are compared by correlation. A camera that drifts
# gives well below 0.9; one that has flown off into the fog, 0.
screen "$scratch/a.png" && sleep 0.2 && screen "$scratch/b.png" || fail "no screenshot"
same=$(compare -metric NCC "$scratch/a.png[800x540+0+0]" "$scratch/b.png[800x540+0+0]" null: 2>&1)
echo "scene correlation with no key held: $same"
awk -v c="$same" 'BEGIN { exit !(c >= 0.97) }' || fail "the camera moves with no key held ($same)"

# A placed block prints a line of six numbers.
placed_line() { line=$(grep -E '^(-?[0-9]+ ){6}$' "$run/out.txt" | tail -n1) && [ -n "$line" ]; }
# One motion event turns the view by a tenth of its offset in pixels from the centre, down
# and right for positive degrees; the game sees each event alone, 0.3 s apart.
turn() { xdotool mousemove --window "$wid" $((400 + 10 * $1)) $((300 + 10 * $2)) sleep 0.3; }
look_down() { # the pitch stops at 80 degrees, so eight pushes of 25 get there from any start
    for _ in 1 2 3 4 5 6 7 8; do turn 0 25; done
    sleep 0.5
}
cells_match() { [ "$(cell_diff 7 0)" = 0 ]; }

# Walk (the body drops onto the ground below the start point, into the middle of its
# column) and place a floor block from cell 5 beside the body (the earth stacks stay full,
# so the turf's box will open cell 8). The ground around is random, so the view sweeps up
# from the feet, 10 degrees a click, in six directions.
# A click prints its line only when the free cell in front of the hit lies outside the
# body, but that cell is the one of the last ray that hit: aimed into a pit out of reach,
# the click would print the cell of an older ray and place nothing. Each sweep therefore
# starts looking down at the feet, where the ray always hits the ground under the body and
# its free cell lies in the body, and moves straight from one clicked direction to the
# next: every ray since the feet looked where a click was refused, so a printed line is a
# placed block. Six directions cross all four sides of the column, and the sweep finds a
# free cell beside the body unless every side rises two blocks above the feet: a dip ringed
# by four bumps, which the generator builds at the start point in about one world in half a
# million.
xdotool key Tab 5
sleep 2
line=""
for yaw in 1 2 3 4 5 6; do
    [ "$yaw" -gt 1 ] && turn 30 0 && turn 30 0
    look_down
    now=80
    for pitch in 70 60 50 40 30 20 10 0; do
        turn 0 $((pitch - now))
        now=$pitch
        sleep 0.2
        xdotool click 3
        poll 20 placed_line && break 2
    done
done
[ -n "$line" ] || fail "no right click in six directions and eight pitches placed a block"
echo "placed in direction $yaw at $pitch degrees down"

# Look straight down and hold the left button until the broken turf's box (earth) shows up
# in the first free cell (each look takes a screenshot).
look_down
cells_match && fail "hotbar cell 8 shows a block before anything was broken"
xdotool mousedown 1
poll 100 cells_match
got=$?
xdotool mouseup 1
screen "$shots/blocks_e2e_collected.png"
[ "$got" = 0 ] || fail "no item reached the hotbar in 100 looks while the left button was held"

quit_game

# The start point (200, 200, 285) lies in chunk (4, 4) and the ground in level 4; the line
# holds the placed cell and the player's own cell in local indices:
# prev_x own_x prev_y own_y prev_z own_z.
read -r px ox py oy pz oz <<<"$line"
file="$run/saves/world 1S/4-4-4.vxc"
[ "$(stat -c %s "$file")" = 524288 ] || fail "no whole chunk file $file"
# Generated columns always end in turf (1) on earth (3); this one lost its turf to the pick,
# and the player's feet cell is empty.
column=$(blocks "$file" "$ox" "$oy" 0 64)
top=$(tr ' ' '\n' <<<"$column" | grep -n '[^0]' | tail -n1 | cut -d: -f2)
[ "$(blocks "$file" "$ox" "$oy" "$oz")" = 0 ] && [ "$top" = 3 ] && ! grep -qw 1 <<<"$column" ||
    fail "the player's column $ox,$oy still looks untouched: $column"
# Floor (2) is generated only in the bottom level: this one is the placed block.
[ "$(blocks "$file" "$px" "$py" "$pz")" = 2 ] || fail "no placed floor at $px,$py,$pz"
echo "placed and broken: $line"

# --- Flights: their own folder with links to the game's data.
mkdir "$scratch/flight"
cd "$scratch/flight"
for f in back.tga font.tga ts.tga lang world; do ln -s "$game/$f" .; done
mkdir saves

fly() {
    "$game/tess_flight" --world e2e --size 1 --view 1 --seed 7 --frames 240 --speed 15 "$@"
}

fly --shot 120:mid.tga >first.txt || fail "first flight exited with $?"
grep -q '^frames drawn 240$' first.txt || fail "not all frames were drawn: $(tail -n 8 first.txt)"
created=$(grep -c '^created ' first.txt || true)
reloaded=$(grep -c '^loaded ' first.txt || true) # left the range and came back
[ "$created" -gt 0 ] || fail "the first flight created no chunk"
grep -q "^chunks created $created, loaded $reloaded, saved " first.txt ||
    fail "counts do not match the lines: $(grep '^chunks' first.txt)"
[ -s mid.tga ] || fail "no screenshot"

python3 - saves/e2e <<'PY' || fail "chunk files"
import os, re, sys
from array import array
folder = sys.argv[1]
names = sorted(os.listdir(folder))
columns = set()
bad = []
for name in names:
    if name == "world.info":
        with open(os.path.join(folder, name)) as f:
            if f.read() != "size 10\n":
                bad.append("world.info does not record size 10")
        continue
    m = re.fullmatch(r"(\d+)-(\d+)-(\d+)\.vxc", name)
    if not m:
        bad.append(f"{name}: unexpected file")
        continue
    cx, cy, level = map(int, m.groups())
    columns.add((cx, cy))
    path = os.path.join(folder, name)
    if os.path.getsize(path) != 524288:
        bad.append(f"{name}: {os.path.getsize(path)} bytes")
        continue
    b = array("H")
    with open(path, "rb") as f:
        b.frombytes(f.read())
    if sys.byteorder != "little":
        b.byteswap()
    kinds = set(b)
    want = {2} if level == 0 else {3} if level <= 3 else {0} if level >= 5 else kinds
    if kinds != want:
        bad.append(f"{name}: level {level} holds {sorted(kinds)}")
    elif level == 4:
        # Every column: earth, then one turf block on top, nothing above it.
        for x in range(64):
            for y in range(64):
                col = b[(x * 64 + y) * 64:(x * 64 + y + 1) * 64]
                top = max(z for z in range(64) if col[z] != 0)
                if col[top] != 1 or any(v not in (0, 3) for v in col[:top]) or not 6 <= top <= 20:
                    bad.append(f"{name}: column {x},{y} is {list(col[:top + 1])}")
                    break
            else:
                continue
            break
print(f"{len(names)} chunk files in {len(columns)} columns")
if len(columns) <= 9:
    bad.append(f"the flight stayed within {len(columns)} chunk columns")
if bad:
    print("\n".join(bad[:20]))
    sys.exit(1)
PY

fly --trace trace.csv >second.txt || fail "second flight exited with $?"
! grep -q '^created ' second.txt || fail "the second flight generated chunks again: $(grep -m3 '^created ' second.txt)"
loaded=$(grep -c '^loaded ' second.txt || true)
[ "$loaded" -eq $((created + reloaded)) ] ||
    fail "loaded $loaded chunks, the first flight brought in $((created + reloaded))"
# The trace tells the same flight: one row a frame, each loaded chunk as arrival 2.
awk -F, -v want="$loaded" 'NR == 1 { ok = index($0, "frame,ms,arrival,meshes,merge_us,saves,faces,calls,") == 1 }
    NR > 1 { rows++; got += $3 == 2; made += $3 == 1; meshes += $4 }
    END { exit !(ok && rows == 240 && got == want && !made && meshes >= got) }' trace.csv ||
    fail "the trace does not tell the flight: $(head -n 3 trace.csv)"

# A still at noon, looking down over the ground of a fresh world: the README's game picture.
"$game/tess_flight" --world noon --size 1 --view 2 --seed 7 --frames 3 --speed 0 --hour 150 \
    --pitch 30 --walk-at 2 --settle --shot 1:noon.tga >noon.txt || fail "noon still exited with $?"
convert noon.tga "$shots/flight_noon.png" || fail "no noon screenshot"
echo "play e2e: all checks passed ($created chunks created, then loaded)"
