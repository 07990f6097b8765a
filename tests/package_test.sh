#!/usr/bin/env bash
# Builds the Debian package once with ./package.sh and checks it: its name, control fields and
# dependencies, the files it holds, the desktop entry (desktop-file-validate), the icons, the
# launcher unpacked elsewhere, and Debian's package checker (lintian).
# Usage: package_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src=$(cd "$1" && pwd)
mkdir -p "$2"
build=$(cd "$2" && pwd)
scratch=$(mktemp -d /tmp/tess-package-XXXXXX)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

rm -f "$build"/cpack/tessaron_*.deb
deb=$("$src/package.sh" "$build" | tail -n1) || fail "package.sh failed"
[ "$(basename "$deb")" = "tessaron_0.10_$(dpkg --print-architecture).deb" ] || fail "package named '$deb'"
echo "package: $deb, $(stat -c %s "$deb") bytes"

info=$(dpkg-deb --info "$deb") || fail "dpkg-deb --info"
field() { sed -n "s/^ $1: //p" <<<"$info"; }
[ "$(field Package) $(field Section)" = "tessaron games" ] ||
    fail "Package, Section: $(field Package) $(field Section)"
# What dpkg-shlibdeps must have found: C and C++ runtimes, GL (GLVND's or the old libgl1),
# GLU and freeglut.
for dep in 'libc6 \(>= ' 'libstdc\+\+6 \(>= ' 'libopengl0|libgl1' 'libglu1-mesa' \
    'libglut3\.12|freeglut3'; do
    grep -qE "(^|, )($dep)" <<<"$(field Depends)" || fail "Depends lacks '$dep': $(field Depends)"
done
long=$(sed -n '/^ Description:/,$p' <<<"$info" | tail -n +2 | grep -c '^  ')
[ -n "$(field Description)" ] && [ "$long" -ge 3 ] || fail "no short description or $long long lines"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}') || fail "dpkg-deb --contents"
for f in usr/bin/tessaron usr/lib/tessaron/tessaron usr/share/applications/tessaron.desktop \
    usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/tessaron.png \
    usr/share/tessaron/{font,back,ts}.tga usr/share/tessaron/lang/{rus,eng}.{tga,txt} \
    usr/share/tessaron/world/standart/{ground,sun}.tga usr/share/man/man6/tessaron.6.gz \
    usr/share/doc/tessaron/copyright usr/share/doc/tessaron/changelog.gz; do
    grep -qx "\./$f" <<<"$contents" || fail "the package lacks /$f"
done
grep -qE '/(cfg|saves)(/|$)' <<<"$contents" && fail "the package holds a cfg or saves"

root="$scratch/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
desktop-file-validate "$root/usr/share/applications/tessaron.desktop" || fail "desktop entry"
for size in 48 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x$size/apps/tessaron.png"
    file "$icon" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" ||
        fail "icon: $(file "$icon")"
done
# The packaged game starts from the unpacked tree (its libraries load, it reads and writes the
# data folder) and stops at the display it cannot open.
(cd "$scratch" && DISPLAY=:no-such-display XDG_DATA_HOME="$scratch/xdg" \
    "$root/usr/bin/tessaron" >"$scratch/out" 2>&1)
grep -q "failed to open display" "$scratch/out" || fail "the packaged game: $(cat "$scratch/out")"
[ -f "$scratch/xdg/tessaron/cfg" ] && [ -L "$scratch/xdg/tessaron/font.tga" ] ||
    fail "the packaged game did not prepare its data folder"

# No warning is accepted (should one ever be, --suppress-tags with the reason beside it).
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
echo "package test: all checks passed"
