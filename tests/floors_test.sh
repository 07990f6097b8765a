#!/usr/bin/env bash
# The source folders are floors, and a file may include only its own floor and those below:
# base, world, draw, items and gui (one floor), render, engine, shell. Prints every include
# that looks up a floor, and every GL or GLUT header outside the drawing files (draw/,
# render/, the *_draw.cpp files) and the shell, and fails on any.
set -uo pipefail
cd "${1:-$(dirname "$0")/../src}" || exit 1
# shellcheck disable=SC2046 # one argument per file
awk '
BEGIN {
    split("base world draw items gui render engine shell", names)
    split("0 1 2 3 3 4 5 6", levels)
    for (i in names) floor[names[i]] = levels[i]
}
FNR == 1 {
    files++
    own = substr(FILENAME, 3)
    sub(/\/.*/, "", own)
    drawing = own ~ /^(draw|render|shell)$/ || FILENAME ~ /_draw\.cpp$/
    if (!(own in floor)) {
        print FILENAME ": folder " own " is on no floor"
        bad++
    }
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    split($0, quoted, "\"")
    target = quoted[2]
    sub(/\/.*/, "", target)
    if (!(target in floor) || floor[target] > floor[own]) {
        print FILENAME ":" FNR ": " $0
        bad++
    }
}
/^[ \t]*#[ \t]*include[ \t]*<GL\// && !drawing {
    print FILENAME ":" FNR ": " $0 " (GL outside the drawing files)"
    bad++
}
END {
    print files + 0 " files, " bad + 0 " includes above their floor or GL outside drawing"
    exit !(files > 0 && bad == 0)
}' $(find . -name '*.cpp' -o -name '*.h' | sort)
