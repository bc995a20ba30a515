#!/bin/sh
# Idle CPU share and wake-ups of orbek-station with its port open on a bare pseudo-terminal
# (nothing on the line), measured from /proc/PID/stat (CPU time) and the voluntary context
# switches of all its threads over SECONDS (default 60), each beside its goal.
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
# Per thread ("TID COUNT" lines), so a pool thread that ends meanwhile takes nothing off the count.
wakeups() {
    for t in /proc/"$pid"/task/*; do
        awk -v tid="${t##*/}" '/^voluntary_ctxt_switches/ {print tid, $2}' "$t/status" 2>/dev/null || true
    done
}
hz=$(getconf CLK_TCK)
before=$(ticks)
wakeups >"$work/woke"
sleep "$seconds"
after=$(ticks)
wakeups >"$work/awoke"
w=$(awk 'NR == FNR {was[$1] = $2; next} {n += $2 - ($1 in was ? was[$1] : 0)} END {print n + 0}' \
    "$work/woke" "$work/awoke")
awk -v t=$((after - before)) -v w="$w" -v hz="$hz" -v s="$seconds" 'BEGIN {
    share = 100 * t / hz / s; rate = w / s
    printf "orbek-station idle, port open, %d s: %d ticks, %d wake-ups\n\n", s, t, w
    printf "%-44s %14s   goal %-24s %s\n", "idle, port open: CPU share:", sprintf("%.3f %%", share), "<= 0.30 %", share <= 0.3 ? "met" : "MISSED"
    printf "%-44s %14s   goal %-24s %s\n", "idle, port open: wake-ups:", sprintf("%.1f /s", rate), "<= 20 /s", rate <= 20 ? "met" : "MISSED"
}'
