#!/usr/bin/env bash
# Tessaly's one entry point for newcomers, developers and CI.
#   ./tessaly.sh run    install what is missing, build, and start the program's main job
#   ./tessaly.sh test   install what is missing, build, and run the whole test suite
#   ./tessaly.sh build  install what is missing and build only
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
build_dir=${TESSALY_BUILD_DIR:-$root/build}
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev clang-format
    xvfb xauth imagemagick fonts-dejavu-core
    iproute2 netcat-openbsd
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "tessaly.sh: installing ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
}

build() {
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$build_dir" -j "$jobs"
}

run_tests() {
    ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
}

main_job() {
    "$root/tools/demo.sh" "$build_dir" "$@"
}

cmd=${1:-}
shift || true
case "$cmd" in
    build) install_missing; build ;;
    test) install_missing; build; run_tests ;;
    run) install_missing; build; main_job "$@" ;;
    *)
        echo "usage: ./tessaly.sh run|test|build" >&2
        exit 2
        ;;
esac
