#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from its game folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target tessaron
if [ -z "${DISPLAY:-}" ]; then
  echo "tessaron: no display (DISPLAY is not set); start it from a graphical session." >&2
  exit 1
fi
cd build/game
exec ./tessaron "$@"
