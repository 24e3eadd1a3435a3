#!/usr/bin/env bash
# Prints an environment file for COUNT simulated receivers at 127.0.0.1, 127.0.0.2, ...
# with names and channels of their own and empty MAC addresses.
set -euo pipefail
count=${1:-12}
if [ "$count" -lt 1 ] || [ "$count" -gt 60 ]; then
    echo "make-demo-environment.sh: COUNT must be 1 to 60" >&2
    exit 2
fi
printf '[monitor]\r\nmode=1\r\n[receiver]\r\ncnt=%d\r\n' "$count"
for n in $(seq 1 "$count"); do
    khz=$((710125 + (n - 1) * 125))
    printf '[recv%d]\r\nmac=\r\nip=127.0.0.%d\r\nname=MIC %02d\r\nfreq=%d.%03d\r\n' \
        "$n" "$n" "$n" $((khz / 1000)) $((khz % 1000))
    printf 'comment=Demo receiver %d\r\n' "$n"
done
