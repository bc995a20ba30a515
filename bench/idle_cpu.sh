#!/bin/sh
# Idle CPU share of orbek-station with its port open on a bare pseudo-terminal (nothing on the
# line), measured from /proc/PID/stat over SECONDS (default 60).
#   bench/idle_cpu.sh [STATION_BINARY] [SECONDS]
set -eu
station=${1:-build/orbek-station}
seconds=${2:-60}
work=$(mktemp -d)
trap 'kill "$pid" "$pty" 2>/dev/null || true; rm -rf "$work"' EXIT
# A pseudo-terminal that nobody talks on: socat holds the other end open.
socat -d -d pty,raw,echo=0,link="$work/line" "exec:sleep $((seconds + 60))" 2>"$work/socat.log" &
pty=$!
while [ ! -e "$work/line" ]; do sleep 0.1; done
mkdir -p "$work/Station"
ln -s "$(readlink -f "$work/line")" "$work/Station/com2"
printf '2\r\n' >"$work/Station/status.ini"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} XDG_CONFIG_HOME="$work/config" \
    "$station" --base "$work/Station" >"$work/station.log" 2>&1 &
pid=$!
sleep 5 # start-up done, the password box waiting
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "orbek-station idle, port open: %d ticks in %d s = %.3f %% of a core\n", t, s, 100 * t / hz / s }'
