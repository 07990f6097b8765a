#!/usr/bin/env bash
# The source folders are floors, and a file may include only its own floor and those below:
# base, world, draw, items and gui (one floor), render, engine, shell. Prints every include
# that looks up a floor, and every GL or GLUT header outside the drawing files (draw/,
# render/, the *_draw.cpp files) and the shell, and fails on any.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}

floor_of() {
    case $1 in
    base) echo 0 ;; world) echo 1 ;; draw) echo 2 ;; items | gui) echo 3 ;;
    render) echo 4 ;; engine) echo 5 ;; shell) echo 6 ;; *) echo -1 ;;
    esac
}

bad=0
files=0
while IFS= read -r file; do
    files=$((files + 1))
    rel=${file#"$src"/}
    own=$(floor_of "${rel%%/*}")
    if [ "$own" -lt 0 ]; then
        echo "$rel: folder ${rel%%/*} is on no floor"
        bad=$((bad + 1))
        continue
    fi
    while IFS= read -r hit; do
        line=${hit%%:*}
        target=${hit#*\"}
        target=${target%%\"*}
        floor=$(floor_of "${target%%/*}")
        if [ "$floor" -lt 0 ] || [ "$floor" -gt "$own" ]; then
            echo "$rel:$line: ${hit#*:}"
            bad=$((bad + 1))
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
    case $rel in
    draw/* | render/* | shell/* | */*_draw.cpp) ;;
    *)
        while IFS= read -r hit; do
            echo "$rel:${hit%%:*}: ${hit#*:} (GL outside the drawing files)"
            bad=$((bad + 1))
        done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*<GL/' "$file")
        ;;
    esac
done < <(find "$src" -name '*.cpp' -o -name '*.h' | sort)

echo "$files files, $bad includes above their floor or GL outside drawing"
[ "$files" -gt 0 ] && [ "$bad" -eq 0 ]
