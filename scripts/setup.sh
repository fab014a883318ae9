#!/usr/bin/env bash
# Sets up a Debian 12 machine for Wavelathe, builds it, and then either starts the program
# (scripts/setup.sh run) or runs every test (scripts/setup.sh test).
set -euo pipefail
cd "$(dirname "$0")/.."

# Every Debian package the project needs, in one place.
PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev
  libmp3lame-dev libsndfile1-dev libmpg123-dev libcdio-dev libcdio-paranoia-dev
  xdg-utils xterm
  # a sans-serif font with the metrics the windows were laid out for
  fonts-liberation2
  # tests: sanitizers and fuzzing with clang, peers to compare against, the desktop entry check
  clang libclang-rt-14-dev lame mpg123 sox desktop-file-utils xvfb
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
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

mode=${1:-run}
install_missing
case "$mode" in
  run)
    build build
    exec build/bin/wavelathe
    ;;
  test)
    build build
    ctest --test-dir build --output-on-failure -j2
    # The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DWL_SANITIZE=ON
    ctest --test-dir build-asan --output-on-failure -j2
    # A short run of each fuzz target.
    CC=clang CXX=clang++ build build-fuzz -DWL_FUZZ=ON -DWL_TESTS=OFF
    for target in fuzz_wav_encode fuzz_mp3_decode fuzz_cue_bin; do
      work=$(mktemp -d)  # libFuzzer adds what it finds to its first corpus folder
      if ! build-fuzz/bin/$target -max_total_time=20 -rss_limit_mb=2048 "$work" tests/tools/corpus/ >"$work.log" 2>&1; then
        echo "fuzz target $target found a fault:"; tail -40 "$work.log"; exit 1
      fi
      echo "fuzz target $target: 20 s without a finding"
      rm -rf "$work" "$work.log"
    done
    ;;
  *)
    echo "usage: scripts/setup.sh run|test" >&2
    exit 2
    ;;
esac
