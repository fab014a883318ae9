#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a Debian 12 machine for Wavelathe and builds it, then:
#   scripts/setup.sh run      starts the program (in the home folder, as a desktop launcher does)
#   scripts/setup.sh test     runs every test (warnings are errors here)
#   scripts/setup.sh package  builds the Debian package and installs it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# What building and running the program needs.
RUN_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-wayland
  libmp3lame-dev libsndfile1-dev libmpg123-dev libcdio-dev libcdio-paranoia-dev zlib1g-dev
  libdiscid-dev libcurl4-openssl-dev nlohmann-json3-dev libinih-dev
  xdg-utils
  # a narrow sans-serif (Liberation Sans Narrow) with the metrics the windows were laid out
  # for, and a Comic-style face for the headings
  fonts-liberation fonts-comic-neue
)
# What the tests add: sanitizers and fuzzing with clang, peers to compare against, a desktop
# session (Xvfb, openbox, a session bus, the accessibility bus, a headless Wayland compositor)
# and the package checks.
TEST_PACKAGES=(
  clang libclang-rt-14-dev lame mpg123 sox ffmpeg cuetools
  xvfb xauth openbox dbus x11-utils xdotool imagemagick
  at-spi2-core python3-pyatspi weston
  desktop-file-utils appstream man-db dpkg-dev file lintian
)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

fuzz() {
  CC=clang CXX=clang++ build build-fuzz -DWL_FUZZ=ON -DWL_TESTS=OFF -DWL_WERROR=ON
  for target in fuzz_wav_encode fuzz_mp3_decode fuzz_cue_bin fuzz_nrg fuzz_toc; do
    work=$(mktemp -d)  # libFuzzer adds what it finds to its first corpus folder
    if ! LSAN_OPTIONS=suppressions=$root/tests/tools/fuzz/lsan.supp build-fuzz/bin/$target -artifact_prefix="$work/" \
        -max_total_time=12 -rss_limit_mb=2048 "$work" tests/tools/corpus/ >"$work.log" 2>&1; then
      echo "fuzz target $target found a fault:"; tail -40 "$work.log"; exit 1
    fi
    echo "fuzz target $target: 12 s without a finding"
    rm -rf "$work" "$work.log"
  done
}

# What git sees of the source tree (nothing outside a checkout).
tree_state() {
  git -C "$root" status --porcelain --untracked-files=all 2>/dev/null || true
}

mode=${1:-run}
case "$mode" in
  run)
    install_missing "${RUN_PACKAGES[@]}"
    build build -DWL_TESTS=OFF -DWL_WERROR=OFF
    cd "$HOME"
    exec "$root/build/bin/wavelathe"
    ;;
  test)
    install_missing "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    # Every test writes only inside its own temporary folder: the source tree must be as it
    # was when they are done.
    tree_before=$(tree_state)
    build build -DWL_TESTS=ON -DWL_WERROR=ON
    ctest --test-dir build --output-on-failure -j2 -LE desktop
    # What a user sees, on a desktop: Xvfb, openbox, a private session bus, the accessibility
    # bus and a headless weston for Wayland.
    tests/desktop/session.sh ctest --test-dir build --output-on-failure -L desktop
    # The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DWL_TESTS=ON -DWL_WERROR=ON -DWL_SANITIZE=ON
    ctest --test-dir build-asan --output-on-failure -j2 -LE desktop
    fuzz
    # What packagers build: Release, with either compiler, and the package itself.
    build build-release -DCMAKE_BUILD_TYPE=Release -DWL_TESTS=OFF -DWL_WERROR=ON
    CC=clang CXX=clang++ build build-clang -DCMAKE_BUILD_TYPE=Release -DWL_TESTS=OFF -DWL_WERROR=ON
    tests/app/package_test.sh build-release
    if [ "$(tree_state)" != "$tree_before" ]; then
      echo "The tests left files in the source tree:"
      diff <(echo "$tree_before") <(tree_state) || true
      exit 1
    fi
    ;;
  package)
    install_missing "${RUN_PACKAGES[@]}" dpkg-dev file
    build build-release -DCMAKE_BUILD_TYPE=Release -DWL_TESTS=OFF
    (cd build-release && cpack -G DEB >/dev/null)
    deb=$(ls build-release/wavelathe_*_amd64.deb)
    sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "./$deb"
    ;;
  *)
    echo "usage: scripts/setup.sh run|test|package" >&2
    exit 2
    ;;
esac
