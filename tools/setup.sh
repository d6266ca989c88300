#!/usr/bin/env bash
# Sets the station up on Debian 12 and then runs it or its tests.
#   tools/setup.sh run    install what is missing, build, start the station in data/
#   tools/setup.sh test   install what is missing, build with sanitizers, run every test
# Safe to run again: it installs and rebuilds only what is missing or changed.
set -euo pipefail

mode=${1:-run}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

packages=(
  g++ cmake ninja-build pkg-config python3
  qt6-base-dev qt6-base-private-dev libgl-dev libmosquitto-dev libssl-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils poppler-utils locales fonts-dejavu-core fonts-liberation2
  dbus-daemon at-spi2-core python3-dbus
  clang libclang-rt-14-dev
  python3-pymodbus python3-serial-asyncio mbpoll
  mosquitto mosquitto-clients python3-paho-mqtt python3-jsonschema openssl
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A decimal-comma locale, so the tests can show that no file or number depends on it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

jobs=$(nproc)

# The station as the run command starts it: the program alone, no tests, no benchmarks.
# The test command builds it too, so that CI fails whenever this build would.
build_station() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTATION_BUILD_TESTS=OFF \
    -DSTATION_BUILD_BENCH=OFF >/dev/null
  cmake --build build -j "$jobs" --target thickness-station
}

case "$mode" in
  run)
    build_station
    mkdir -p data
    cd data
    exec ../build/app/thickness-station
    ;;
  test)
    build_station
    cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSTATION_WERROR=ON \
      -DSTATION_SANITIZE=ON -DSTATION_BUILD_BENCH=OFF >/dev/null
    cmake --build build-test -j "$jobs"
    export QT_QPA_PLATFORM=offscreen
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tools/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    # Tests labelled "long" (thousands of kills) run by hand only.
    ctest --test-dir build-test --output-on-failure -j "$jobs" -LE long
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
