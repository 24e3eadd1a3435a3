#!/usr/bin/env bash
# Soak run: tessaly-cli monitors 60 simulated receivers on loopback for a long time while the
# simulator is restarted every so often with a fresh random mix of faults (and now and then left
# down for a while). Every few seconds the resident memory, thread count and open file
# descriptors of tessaly-cli are sampled into a table; at the end the first and last quarters
# are compared, and the run fails when tessaly-cli died or a resource kept growing.
#
# Usage: tools/soak.sh [SECONDS (default 600)] [BUILD_DIR (default build)]
#   SOAK_SAMPLE_SECONDS  sampling period (default 5)
#   SOAK_ROUND_SECONDS   how long one fault mix lasts (default 60)
#   SOAK_PORT            loopback port of the simulated receivers (default 15025)
# Everything runs under nice -n 19. Not part of CI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
duration=${1:-600}
build_dir=$(cd "${2:-$root/build}" && pwd)
sample_seconds=${SOAK_SAMPLE_SECONDS:-5}
round_seconds=${SOAK_ROUND_SECONDS:-60}
port=${SOAK_PORT:-15025}
count=60
sim=$build_dir/sim/tessaly-sim
cli=$build_dir/cli/tessaly-cli
for program in "$sim" "$cli"; do
    [ -x "$program" ] || { echo "soak.sh: $program is missing; build first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tessaly-soak-XXXXXX)
"$root/tools/make-demo-environment.sh" "$count" >"$work/soak.ini"
printf '[comm]\r\nportno=%d\r\ntimeout=1000\r\ninterval=100\r\n' "$port" >"$work/Tessaly.ini"
table=$work/samples.txt
echo "soak.sh: $duration s, $count receivers on 127.0.0.1-$count:$port, working in $work"

sim_pid=
cli_pid=
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=
    fi
}
cleanup() {
    stop_sim
    if [ -n "$cli_pid" ]; then
        kill "$cli_pid" 2>/dev/null || true
        wait "$cli_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

faults=(refuse silent late:1500 late:300 close-mid short garbage long-line:300 large-block:32768
    byte-by-byte:1)
# A new simulator with about a third of the receivers faulty, each with a random fault.
start_sim() {
    local args=(--count "$count" --port "$port" --seed "$RANDOM" --reboot-ms 2000)
    local n
    for n in $(seq 1 "$count"); do
        if [ $((RANDOM % 3)) -eq 0 ]; then
            args+=(--fault "$n=${faults[$((RANDOM % ${#faults[@]}))]}")
        fi
    done
    nice -n 19 "$sim" "${args[@]}" >>"$work/sim.log" 2>&1 &
    sim_pid=$!
    echo "$(date +%T) simulator: ${args[*]:6}" >>"$work/rounds.log"
}

sample() { # elapsed seconds -> one table row
    local rss threads fds
    rss=$(awk '/^VmRSS/ {print $2}' "/proc/$cli_pid/status")
    threads=$(awk '/^Threads/ {print $2}' "/proc/$cli_pid/status")
    fds=$(find "/proc/$cli_pid/fd" -mindepth 1 -maxdepth 1 | wc -l)
    printf '%8s %10s %8s %6s\n' "$1" "$rss" "$threads" "$fds" | tee -a "$table"
}

start_sim
sleep 1
(cd "$work" && exec nice -n 19 "$cli" monitor soak.ini --seconds $((duration + 30)) >"$work/cli.log" 2>&1) &
cli_pid=$!
sleep 1
cli_pid=$(pgrep -P "$cli_pid" -x tessaly-cli || echo "$cli_pid")

printf '%8s %10s %8s %6s\n' seconds rss_kib threads fds | tee "$table"
start=$(date +%s)
next_round=$((start + round_seconds))
while :; do
    now=$(date +%s)
    elapsed=$((now - start))
    [ "$elapsed" -ge "$duration" ] && break
    if ! kill -0 "$cli_pid" 2>/dev/null; then
        echo "soak.sh: tessaly-cli ended early; see $work/cli.log" >&2
        exit 1
    fi
    if [ "$now" -ge "$next_round" ]; then
        stop_sim
        # Now and then every receiver stays away for a while.
        [ $((RANDOM % 3)) -eq 0 ] && sleep 8
        start_sim
        next_round=$((now + round_seconds))
    elif [ $((RANDOM % 4)) -eq 0 ] && command -v nc >/dev/null; then
        # A receiver told to reboot drops its connection and refuses new ones for a while.
        n=$((RANDOM % count + 1))
        printf ':SYST:REBOOT\r\n' | nc -q 1 -w 2 "127.0.0.$n" "$port" >/dev/null 2>&1 || true
        echo "$(date +%T) reboot receiver $n" >>"$work/rounds.log"
    fi
    sample "$elapsed"
    sleep "$sample_seconds"
done

# Compare the first and the last quarter of the run (the first minute is warm-up).
awk -v warm=60 '
    NR > 1 && $1 >= warm { rows[++n] = $0; rss[n] = $2; thr[n] = $3; fd[n] = $4 }
    END {
        if (n < 8) { print "soak.sh: too few samples to judge"; exit 0 }
        q = int(n / 4)
        for (i = 1; i <= q; ++i) { r0 += rss[i]; t0 = (thr[i] > t0 ? thr[i] : t0); f0 = (fd[i] > f0 ? fd[i] : f0) }
        for (i = n - q + 1; i <= n; ++i) { r1 += rss[i]; t1 = (thr[i] > t1 ? thr[i] : t1); f1 = (fd[i] > f1 ? fd[i] : f1) }
        r0 /= q; r1 /= q
        printf "soak.sh: mean rss %d -> %d KiB, max threads %d -> %d, max fds %d -> %d\n", r0, r1, t0, t1, f0, f1
        bad = (r1 > r0 * 1.10 + 2048) || (t1 > t0) || (f1 > f0 + 4)
        if (bad) { print "soak.sh: a resource grew"; exit 1 }
        print "soak.sh: flat"
    }' "$table"
echo "soak.sh: samples in $table, simulator rounds in $work/rounds.log"
