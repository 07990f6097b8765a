#!/usr/bin/env bash
# Installs what is missing, builds a Release with Debian's hardening flags and makes the
# Debian package tessaron_<version>_<arch>.deb with CPack (dependencies found by
# dpkg-shlibdeps). Usage: ./package.sh [BUILD_DIR]; the package lands in the current folder
# by default, in BUILD_DIR when one is given.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out=$PWD
build="$here/build-package"
if [ $# -gt 0 ]; then
  mkdir -p "$1"
  build=$(cd "$1" && pwd)
  out=$build
fi
"$here/scripts/deps.sh" package

# The flags Debian builds its own packages with (fortified, stack-protected, full RELRO);
# CMake reads no CPPFLAGS, so the preprocessor flags ride along with the compiler's.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESS_TESTS=OFF -DTESS_BENCH=OFF \
      >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
deb=$(ls "$build"/cpack/tessaron_*.deb)
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
