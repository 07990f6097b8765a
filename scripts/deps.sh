#!/usr/bin/env bash
# Installs the Debian packages a task needs, skipping those already present.
# Usage: scripts/deps.sh build|test|bench|package|fuzz|coverage
set -euo pipefail

build_pkgs=(g++ cmake make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev
            libgl1-mesa-dri libfreetype-dev libpng-dev fonts-dejavu-core)
test_pkgs=(libgtest-dev libgmock-dev xvfb xdotool x11-utils x11-apps imagemagick
           xauth python3 python3-xlib strace procps)
bench_pkgs=(libbenchmark-dev xvfb imagemagick gnuplot-nox)
# dpkg-shlibdeps (dpkg-dev) reads the binary's libraries through file; the checks add the
# desktop-entry validator and Debian's package checker.
package_pkgs=(dpkg-dev file)
package_check_pkgs=(desktop-file-utils lintian)
# The loader fuzzers: clang with libFuzzer and the sanitizer runtimes. The tests run them too.
fuzz_pkgs=(clang libclang-rt-14-dev)

want=("${build_pkgs[@]}")
case "${1:-build}" in
  test) want+=("${test_pkgs[@]}" "${package_pkgs[@]}" "${package_check_pkgs[@]}" "${fuzz_pkgs[@]}") ;;
  bench) want+=("${bench_pkgs[@]}") ;;
  package) want+=("${package_pkgs[@]}") ;;
  fuzz) want+=("${fuzz_pkgs[@]}") ;;
  # scripts/coverage.sh: the suite without the package and fuzzers, summed up by gcovr.
  coverage) want+=("${test_pkgs[@]}" gcovr) ;;
esac

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
