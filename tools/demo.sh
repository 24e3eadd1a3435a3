#!/usr/bin/env bash
# The program's main job for a newcomer: a rehearsal stage of simulated receivers on loopback
# and Tessaly monitoring them. Usage: tools/demo.sh BUILD_DIR [RECEIVER_COUNT]
set -euo pipefail

# The Receiver Configuration dialog sweeps the computer's private subnets when the demo file
# opens. The rehearsal stage lives on loopback, so the demo runs in a network namespace of its own
# where there is nothing but loopback to sweep.
if [ -z "${TESSALY_DEMO_NETNS:-}" ]; then
    if [ "$(id -u)" -eq 0 ]; then isolate=(unshare -n); else isolate=(unshare -rn); fi
    lo_up="PATH=\$PATH:/usr/sbin:/sbin ip link set lo up"
    if "${isolate[@]}" sh -c "$lo_up" 2>/dev/null; then
        exec env TESSALY_DEMO_NETNS=1 "${isolate[@]}" sh -c "$lo_up && exec \"\$0\" \"\$@\"" \
            "$0" "$@"
    fi
    echo "Tessaly: no network namespace of our own here; opening the demo sweeps this" \
        "computer's private subnets." >&2
fi

build_dir=$(cd "$1" && pwd)
count=${2:-12}
root=$(cd "$(dirname "$0")/.." && pwd)
demo_dir=$build_dir/demo
mkdir -p "$demo_dir"

port=5025
if ss -ltn 2>/dev/null | grep -q "127.0.0.1:$port "; then
    port=15025
fi

"$root/tools/make-demo-environment.sh" "$count" >"$demo_dir/demo.ini"
cat >"$demo_dir/Tessaly.ini" <<INI
[comm]
portno=$port
[splash]
time=1
INI

"$build_dir/sim/tessaly-sim" --count "$count" --port "$port" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null || true' EXIT
sleep 0.5

cd "$demo_dir"
if [ -x "$build_dir/app/tessaly" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Tessaly: opening demo.ini with $count simulated receivers; press Start to monitor."
    "$build_dir/app/tessaly" demo.ini
else
    echo "Tessaly: no display here; monitoring $count simulated receivers for 10 seconds."
    "$build_dir/cli/tessaly-cli" monitor demo.ini --seconds 10
fi
