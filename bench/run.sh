#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/) and runs them all, then writes bench/RESULTS.md:
# the machine's description and this run's tables under "Latest run", the previous run's under
# "Previous run". Progress and Google Benchmark's own tables go to stderr.
#   TESSALY_BENCH_DIR      build folder (default build-bench)
#   TESSALY_BENCH_SECONDS  measuring window of the monitor scale runs (default 20)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${TESSALY_BENCH_DIR:-$root/build-bench}
seconds=${TESSALY_BENCH_SECONDS:-20}
jobs=$(nproc 2>/dev/null || echo 2)
results=$root/bench/RESULTS.md
programs=(bench_monitor_scale bench_alarms bench_freshness bench_alarm_latency bench_rendering
    bench_reachability bench_startup bench_coordination bench_history bench_history_window
    bench_remote_stream bench_mqtt_fleet)

cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON >/dev/null ||
    exit 1
cmake --build "$build_dir" -j "$jobs" --target "${programs[@]}" || exit 1

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
tables=$(mktemp)
trap 'rm -f "$tables"' EXIT
bin=$build_dir/bench
run() {
    echo "bench: $*" >&2
    "$@" >>"$tables" || printf '**%s failed (exit %d)**\n\n' "$(basename "$1")" "$?" >>"$tables"
}
run "$bin/bench_monitor_scale" --seconds "$seconds"
run "$bin/bench_alarms" --seconds "$seconds"
run "$bin/bench_freshness"
run "$bin/bench_alarm_latency"
run "$bin/bench_rendering" --benchmark_min_time=0.3
run "$bin/bench_reachability"
run "$bin/bench_coordination"
run "$bin/bench_history"
run "$bin/bench_remote_stream" --seconds "$seconds"
run /usr/bin/python3 "$root/bench/mqtt_fleet.py" --cli "$build_dir/cli/tessaly-cli" \
    --sim "$build_dir/sim/tessaly-sim"
if command -v xvfb-run >/dev/null; then
    run xvfb-run -a -s "-screen 0 1920x1080x24" "$bin/bench_startup"
    run xvfb-run -a -s "-screen 0 1920x1080x24" "$bin/bench_history_window"
else
    printf '## Start-up\n\nSkipped: xvfb-run is not installed.\n\n' >>"$tables"
fi

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
previous=
if [ -f "$results" ]; then
    previous=$(awk '/^# Latest run/{on=1; print "# Previous run"; next} /^# Previous run/{on=0} on' \
        "$results")
fi
{
    echo "# Benchmark results"
    echo
    echo "Written by \`./tessaly.sh bench\`; what each figure means, and why a budget is missed"
    echo "where it is, is in bench/README.md. Every figure is measured against a limit taken in"
    echo "the same run on the same machine; the ratio is figure ÷ limit."
    echo
    echo "# Latest run"
    echo
    echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
    echo "- CPU: $cpu, $(nproc) cores"
    echo "- kernel: $(uname -sr)"
    echo "- load average at start: $load_start; at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo
    sed 's/^## /## /' "$tables"
    if [ -n "$previous" ]; then
        echo "$previous"
    fi
} >"$results.new" && mv "$results.new" "$results"
cat "$tables"
echo "bench: wrote $results" >&2
