#!/usr/bin/env bash
# Tessaly's one entry point for newcomers, developers and CI.
#   ./tessaly.sh run    install what is missing, build, and start the program's main job
#   ./tessaly.sh test   install what is missing, check, build (warnings are errors), and run the
#                       whole test suite
#   ./tessaly.sh check  the source checks that `test` starts with: layers, clang-format, shellcheck
#   ./tessaly.sh build  install what is missing and build only
#   ./tessaly.sh sanitize [asan|tsan]  the sanitizer runs that `test` ends with
#   ./tessaly.sh fuzz [seconds]        build the fuzz harnesses (clang) and run each that long
#   ./tessaly.sh bench  build the benchmarks (Release) and run them; writes bench/RESULTS.md
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
build_dir=${TESSALY_BUILD_DIR:-$root/build}
jobs=$(nproc 2>/dev/null || echo 2)
# CMake options of every build this run makes; `test` adds -DTESSALY_WERROR=ON.
cmake_options=()
build_options=() # the normal build only, not the sanitizer builds

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev clang-format
    xvfb xauth imagemagick fonts-dejavu-core libcsv-dev
    iproute2 netcat-openbsd
    desktop-file-utils appstream xdotool libcap2-bin
    qt6-httpserver-dev qt6-websockets-dev libqrencode-dev qt6-charts-dev libqt6sql6-sqlite
    libmosquitto-dev mosquitto mosquitto-clients openssl
    chromium chromium-driver python3-selenium python3-websocket zbar-tools prometheus sqlite3 shellcheck
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
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "${cmake_options[@]}" "${build_options[@]}" >/dev/null
    cmake --build "$build_dir" -j "$jobs"
}

run_tests() {
    ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
}

# Sanitizer runs, beside build/: ASan with UBSan over the tests of the layers that read network
# and file input; TSan over those that run threads, including the dialogs and the monitor view,
# whose engines and exchange sequences run beside the GUI thread. The other widget layers stay
# out so that CI keeps within its time on two cores. Qt is not instrumented; tools/tsan-qt.supp
# explains what is suppressed. TESSALY_SKIP_SANITIZE=1 leaves them out of `test`.
asan_dir=${TESSALY_ASAN_DIR:-$root/build-asan}
tsan_dir=${TESSALY_TSAN_DIR:-$root/build-tsan}
asan_layers=(core protocol show journal history mqtt comm remote sim cli reliability)
# The simulator's threads run under TSan inside the comm and reliability tests. The cli tests
# start programs from a process whose simulator thread is running, and TSan does not support a
# fork in a threaded process (it reports false races and kills the child); tessaly-cli itself is
# clean under TSan when run against tessaly-sim by hand. The mqtt tests start and restart their
# broker while the publisher's thread runs, so they stay out for the same reason.
tsan_layers=(core journal history comm remote reliability dialogs monitor)

layer_tests() {
    local layer file
    for layer in "$@"; do
        for file in "$root/tests/$layer"/test_*.cpp "$root/tests/$layer"/qtest_*.cpp; do
            [ -e "$file" ] && basename "$file" .cpp
        done
    done
    return 0
}

sanitize_asan() {
    local tests
    mapfile -t tests < <(layer_tests "${asan_layers[@]}")
    cmake -S "$root" -B "$asan_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTESSALY_SANITIZE=address "${cmake_options[@]}" >/dev/null
    cmake --build "$asan_dir" -j "$jobs" --target "${tests[@]}"
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:detect_stack_use_after_return=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$asan_dir" --output-on-failure -j "$jobs" \
        -R "^($(IFS='|'; echo "${tests[*]}"))\$"
}

sanitize_tsan() {
    local tests
    mapfile -t tests < <(layer_tests "${tsan_layers[@]}")
    cmake -S "$root" -B "$tsan_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTESSALY_SANITIZE=thread "${cmake_options[@]}" >/dev/null
    cmake --build "$tsan_dir" -j "$jobs" --target "${tests[@]}"
    TSAN_OPTIONS="suppressions=$root/tools/tsan-qt.supp halt_on_error=1 second_deadlock_stack=1" \
        ctest --test-dir "$tsan_dir" --output-on-failure -j "$jobs" \
        -R "^($(IFS='|'; echo "${tests[*]}"))\$"
}

sanitize() {
    case "${1:-all}" in
        asan) sanitize_asan ;;
        tsan) sanitize_tsan ;;
        all) sanitize_asan; sanitize_tsan ;;
        *) echo "usage: ./tessaly.sh sanitize [asan|tsan]" >&2; exit 2 ;;
    esac
}

# libFuzzer harnesses (fuzz/), built with clang in build-fuzz/ and run one after the other under
# nice for the given seconds each, growing their corpora in build-fuzz/fuzz-work/.
fuzz() {
    local seconds=${1:-60} dir=${TESSALY_FUZZ_DIR:-$root/build-fuzz} harnesses=() status=0 h
    for h in "$root"/fuzz/fuzz_*.cpp; do
        harnesses+=("$(basename "$h" .cpp)")
    done
    CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTESSALY_FUZZ=ON -DTESSALY_SANITIZE=address >/dev/null
    cmake --build "$dir" -j "$jobs" --target "${harnesses[@]}"
    for h in "${harnesses[@]}"; do
        mkdir -p "$dir/fuzz-work/$h" "$dir/fuzz-artifacts/$h"
        if ! nice -n 19 "$dir/fuzz/$h" -max_total_time="$seconds" -max_len=8192 \
            -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/fuzz-artifacts/$h/" \
            "$dir/fuzz-work/$h" "$root/fuzz/corpus/$h" >"$dir/$h.log" 2>&1; then
            echo "$h: FAILED, see $dir/$h.log and $dir/fuzz-artifacts/$h/"
            status=1
        fi
        echo "$h: $(grep -o 'number_of_executed_units: *[0-9]*' "$dir/$h.log" | grep -o '[0-9]*$') runs"
    done
    return $status
}

# The checks of the sources themselves, before anything is built: no include of a layer above
# (the order is TESSALY_LAYERS in CMakeLists.txt), every C++ file as clang-format writes it, and
# the scripts clean under shellcheck.
check() {
    local status=0
    "$root/tools/check-layers.sh" || status=1
    "$root/tools/check-format.sh" || status=1
    "$root/tools/check-scripts.sh" || status=1
    return $status
}

main_job() {
    "$root/tools/demo.sh" "$build_dir" "$@"
}

cmd=${1:-}
shift || true
case "$cmd" in
    build) install_missing; build ;;
    test)
        install_missing; check
        # The benchmarks are built, not run: a change that breaks one shows here.
        cmake_options+=(-DTESSALY_WERROR=ON)
        build_options=(-DTESSALY_BENCH=ON)
        build; run_tests
        [ "${TESSALY_SKIP_SANITIZE:-0}" = 1 ] || sanitize
        ;;
    check) install_missing; check ;;
    sanitize) install_missing; sanitize "$@" ;;
    fuzz) install_missing; fuzz "$@" ;;
    run) install_missing; build; main_job "$@" ;;
    bench) install_missing; "$root/bench/run.sh" "$@" ;;
    *)
        echo "usage: ./tessaly.sh run|test|build|check|sanitize|fuzz|bench" >&2
        exit 2
        ;;
esac
