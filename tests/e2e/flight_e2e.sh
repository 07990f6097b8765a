#!/usr/bin/env bash
# A flight across several chunks of a new world with the headless driver, then the same
# flight again: every chunk file is whole and holds the terrain of its level, and the second
# flight reads the chunks back instead of generating them, and its trace tells each frame's
# arrival and meshes.
# $1 = game folder, $2 = build folder; DISPLAY is set.
set -euo pipefail
game=$(cd "$1" && pwd)
shots=$(cd "$2" && pwd)/test-out
mkdir -p "$shots"
work=$(mktemp -d /tmp/tess-flight-e2e-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
for f in back.tga font.tga ts.tga lang world; do ln -s "$game/$f" .; done
mkdir saves

fly() {
    "$game/tess_flight" --world e2e --size 1 --view 1 --seed 7 --frames 240 --speed 15 "$@"
}

fail() { echo "FAIL: $*" >&2 && exit 1; }

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
    if level == 0 and kinds != {2}:
        bad.append(f"{name}: level 0 holds {sorted(kinds)}")
    elif 1 <= level <= 3 and kinds != {3}:
        bad.append(f"{name}: level {level} holds {sorted(kinds)}")
    elif level >= 5 and kinds != {0}:
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
awk -F, -v want="$loaded" 'NR == 1 { ok = index($0, "frame,ms,arrival,meshes,merge_us,saves,faces,calls,") == 1 }
    NR > 1 { rows++; got += $3 == 2; made += $3 == 1; meshes += $4 }
    END { exit !(ok && rows == 240 && got == want && !made && meshes >= got) }' trace.csv ||
    fail "the trace does not tell the flight: $(head -n 3 trace.csv)"

# A still at noon, looking down over the ground of a fresh world: the README's game picture.
"$game/tess_flight" --world noon --size 1 --view 2 --seed 7 --frames 3 --speed 0 --hour 150 \
    --pitch 30 --walk-at 2 --settle --shot 1:noon.tga >noon.txt || fail "noon still exited with $?"
convert noon.tga "$shots/flight_noon.png" || fail "no noon screenshot"
echo "flight e2e: $created chunks created, then loaded"
