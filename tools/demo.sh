#!/usr/bin/env bash
# The program's main job for a newcomer: a rehearsal stage of simulated receivers on loopback
# and Tessaly monitoring them. Usage: tools/demo.sh BUILD_DIR [RECEIVER_COUNT]
set -euo pipefail
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
