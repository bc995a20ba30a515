#!/usr/bin/env bash
# Telemetry through Debian's real mosquitto: a broker on 127.0.0.1 at a free port with a
# temporary configuration (a plain listener, one with a password file, one with TLS from
# certificates made here), subscribers with mosquitto_sub, and the real programs:
#   - a recorded scenario played live through the broker: every message it prints arrives, in
#     order (its times aside);
#   - orbek-station --simulate running a run: availability, the run's events, the retained
#     state for a late subscriber, the command on events (and its failure told);
#   - kill -9: "offline" through the last will; SIGTERM: station_quit and "offline" from the
#     station itself, and a clean exit;
#   - the broker killed and started again mid-run: the station reconnects by itself, tells it
#     in its event list, and the retained state is current again;
#   - a password file, a wrong password (told, not fatal), a TLS listener, a hung "broker";
#   - telemetry.conf's problems, one clear line each; a recording made with them still checks.
# Every wait is for a state (a message received, a line written) with a generous limit.
set -u
bin=${1:?usage: telemetry_broker.sh BUILD_DIR SOURCE_DIR}
src=${2:?usage: telemetry_broker.sh BUILD_DIR SOURCE_DIR}
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# wait_for FILE PATTERN SECONDS: until FILE holds a line matching PATTERN (grep -E).
wait_for() {
    local deadline=$((SECONDS + $3))
    until grep -qE -- "$2" "$1" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
wait_gone() {
    local deadline=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
export QT_QPA_PLATFORM=offscreen
station="$bin/orbek-station"

# Certificates: a CA and the broker's, for 127.0.0.1.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=orbek-test-ca \
    -keyout "$work/ca.key" -out "$work/ca.crt" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout "$work/server.key" \
    -out "$work/server.csr" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\n' >"$work/san.ext"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" \
    -CAcreateserial -days 2 -extfile "$work/san.ext" -out "$work/server.crt" 2>/dev/null
mosquitto_passwd -b -c "$work/passwords" station secret 2>/dev/null
chmod 600 "$work/passwords"

# The broker at three free ports (tried until it binds them), as the user running the test
# (as root it would otherwise drop to "mosquitto", who may not read these files).
broker_pid=""
start_broker() {
    cat >"$work/mosquitto.conf" <<EOF
user $(id -un)
persistence false
log_type all
log_dest file $work/broker.log
per_listener_settings true
listener $plain 127.0.0.1
allow_anonymous true
listener $secured 127.0.0.1
allow_anonymous false
password_file $work/passwords
listener $tls 127.0.0.1
allow_anonymous true
cafile $work/ca.crt
certfile $work/server.crt
keyfile $work/server.key
EOF
    : >"$work/broker.log"
    mosquitto -c "$work/mosquitto.conf" 2>>"$work/broker.err" &
    broker_pid=$!
    pids+=("$broker_pid")
    wait_for "$work/broker.log" "listen socket on port $tls" 10 && kill -0 "$broker_pid" 2>/dev/null
}
for try in 1 2 3 4 5 6 7 8 9 10; do
    plain=$((20000 + RANDOM % 30000))
    secured=$((plain + 1))
    tls=$((plain + 2))
    start_broker && break
    kill -9 "$broker_pid" 2>/dev/null
    [ "$try" -lt 10 ] || { echo "no broker could start: $(cat "$work/broker.err")" >&2; exit 1; }
done
url="mqtt://127.0.0.1:$plain"

# subscribe NAME TOPIC...: mosquitto_sub into $work/NAME.sub, once the broker has its
# subscription.
subscribe() {
    local name=$1
    shift
    local args=()
    for t in "$@"; do args+=(-t "$t"); done
    mosquitto_sub -h 127.0.0.1 -p "$plain" -i "$name" -v "${args[@]}" >"$work/$name.sub" &
    pids+=($!)
    wait_for "$work/broker.log" "Received SUBSCRIBE from $name" 10 || fail "subscriber $name"
}

# 1. A recorded scenario live through the broker: what it prints is what arrives.
subscribe replayed 'orbek/#' 'homeassistant/#'
scenario="$src/tests/scenarios/telemetry_run"
"$bin/orbek-replay" --live --speed 5 --mqtt "$url" --compare "$scenario.expected" \
    --tolerance 500 "$scenario.scenario" >/dev/null 2>"$work/replay.err" ||
    fail "telemetry_run live through the broker: $(grep -E 'missing|extra|order' "$work/replay.err")"
wait_for "$work/replayed.sub" '^orbek/lab-3/availability offline' 10 || fail "the replay's offline"
sed -nE 's/^ *[0-9]+ PUB ([^ ]+) (\(retained\) )?/\1 /p' "$scenario.expected" |
    sed -E 's/"time":"[^"]*"/"time":T/' >"$work/published"
sed -E 's/"time":"[^"]*"/"time":T/' "$work/replayed.sub" >"$work/received"
cmp -s "$work/published" "$work/received" ||
    fail "the broker passed on other messages: $(diff "$work/published" "$work/received" | head -5)"

# 2. A run on the simulated controller (its screenshot mode: the word, Start, phase 4, Quit),
#    with the command on events; the command fails for one event, which is told.
cat >"$work/notify" <<EOF
#!/bin/sh
printf '%s %s\n' "\$1" "\$(cat)" >>"$work/notified"
[ "\$1" != phase_changed ] || exit 3
EOF
chmod +x "$work/notify"
subscribe run 'orbek/e2e-run/#'
ORBEK_SCREENSHOT="$work/run.png" ORBEK_SCREENSHOT_VIEW=run XDG_CONFIG_HOME="$work/config-run" \
    timeout 120 "$station" --simulate --speed 5 --base "$work/run" --mqtt "$url" \
    --station-name e2e-run --on-event "$work/notify" --record "$work/run.scenario" \
    >/dev/null 2>"$work/run.err"
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status: $(tail -3 "$work/run.err")"
wait_for "$work/run.sub" '^orbek/e2e-run/availability offline' 10 || fail "the run's offline"
for line in '^orbek/e2e-run/availability online$' '/event/station_started \{' \
    '/event/run_started \{.*"how":"Start"' '/event/phase_changed \{.*"phase":4' \
    '/state \{.*"phase":4,"phase_text":"Phase 4","run_active":true' \
    '/event/station_quit \{.*"how":"quit"'; do
    grep -qE -- "$line" "$work/run.sub" || fail "the run's messages lack $line"
done
subscribe late 'orbek/e2e-run/#'
wait_for "$work/late.sub" '^orbek/e2e-run/state \{.*"phase":4' 10 || fail "no retained state"
grep -q '^orbek/e2e-run/availability offline' "$work/late.sub" || fail "no retained offline"
grep -q '^run_started {.*"how":"Start"' "$work/notified" || fail "the command missed run_started"
grep -q '^station_quit ' "$work/notified" || fail "the command missed station_quit"
grep -qE '# +[0-9]+ LIST Telemetry: event command .*notify phase_changed ended with status 3' \
    "$work/run.scenario" || fail "the command's failure was not told"

# 3. kill -9: the broker's last will says "offline". SIGTERM: the station says it, cleanly.
subscribe ends 'orbek/+/availability' 'orbek/+/event/station_quit'
XDG_CONFIG_HOME="$work/config-ends" "$station" --simulate --base "$work/killed" --mqtt "$url" \
    --station-name e2e-killed >/dev/null 2>&1 &
killed=$!
pids+=("$killed")
XDG_CONFIG_HOME="$work/config-ends" "$station" --simulate --base "$work/termed" --mqtt "$url" \
    --station-name e2e-termed >/dev/null 2>&1 &
termed=$!
pids+=("$termed")
wait_for "$work/ends.sub" '^orbek/e2e-killed/availability online' 20 || fail "killed: not online"
wait_for "$work/ends.sub" '^orbek/e2e-termed/availability online' 20 || fail "termed: not online"
kill -9 "$killed"
wait_for "$work/ends.sub" '^orbek/e2e-killed/availability offline' 20 || fail "no last will"
grep -q 'e2e-killed/event/station_quit' "$work/ends.sub" && fail "a killed station said quit"
kill -TERM "$termed"
wait_gone "$termed" 15 || fail "SIGTERM: the station did not end"
wait "$termed"
status=$?
[ "$status" -eq 0 ] || fail "SIGTERM: exit status $status"
wait_for "$work/ends.sub" '^orbek/e2e-termed/event/station_quit' 10 || fail "SIGTERM: no quit"
grep -q '^orbek/e2e-termed/availability offline' "$work/ends.sub" || fail "SIGTERM: no offline"
grep -qE 'Client orbek-e2e-termed-[0-9]+ disconnected\.' "$work/broker.log" ||
    fail "SIGTERM: the station did not disconnect cleanly"

# 4. The broker killed mid-run and started again: the station comes back by itself.
subscribe before 'orbek/e2e-back/#'
ORBEK_SCREENSHOT="$work/back.png" ORBEK_SCREENSHOT_VIEW=run XDG_CONFIG_HOME="$work/config-back" \
    "$station" --simulate --speed 2 --base "$work/back" --mqtt "$url" --station-name e2e-back \
    --record "$work/back.scenario" >/dev/null 2>&1 &
back=$!
pids+=("$back")
wait_for "$work/before.sub" '/event/phase_changed \{.*"phase":1' 60 || fail "no phase 1 before"
kill -9 "$broker_pid"
wait_gone "$broker_pid" 10
wait_for "$work/back.scenario" 'LIST Telemetry: mqtt://127.0.0.1:[0-9]+: connection lost' 20 ||
    fail "the lost broker was not told"
start_broker || fail "the broker did not start again"
subscribe after 'orbek/e2e-back/#'
wait_for "$work/back.scenario" 'LIST Telemetry: mqtt://127.0.0.1:[0-9]+ connected again' 30 ||
    fail "the broker's return was not told"
wait_for "$work/after.sub" '^orbek/e2e-back/state \{.*"phase":[34]' 60 ||
    fail "the retained state is not current after the return"
grep -q '^orbek/e2e-back/availability online' "$work/after.sub" || fail "not online again"
wait_gone "$back" 90 || fail "the run did not end"
wait "$back"

# 5. A password file, a wrong password, TLS, a hung broker and telemetry.conf's problems.
conf() { # NAME LINES...: telemetry.conf of its own, its owner's only
    mkdir -p "$work/config-$1/orbek-station"
    shift_name=$1
    shift
    printf '%s\n' "$@" >"$work/config-$shift_name/orbek-station/telemetry.conf"
    chmod 600 "$work/config-$shift_name/orbek-station/telemetry.conf"
}
conf good "url = mqtt://127.0.0.1:$secured" "station_name = e2e-good" "user = station" \
    "password = secret" "colour = blue"
conf wrong "url = mqtt://127.0.0.1:$secured" "station_name = e2e-wrong" "user = station" \
    "password = guessed"
conf tls "url = mqtts://127.0.0.1:$tls" "station_name = e2e-tls" "ca_file = $work/ca.crt"
conf noca "url = mqtts://127.0.0.1:$tls" "station_name = e2e-noca" "ca_file = $work/none.crt"
conf nokey "url = mqtts://127.0.0.1:$tls" "station_name = e2e-nokey" "cert_file = $work/ca.crt" \
    "key_file = $work"
conf open "url = mqtt://127.0.0.1:$secured" "station_name = e2e-open" "user = station" \
    "password = secret"
chmod 640 "$work/config-open/orbek-station/telemetry.conf"
hung=$((plain + 3))
socat TCP-LISTEN:$hung,bind=127.0.0.1,reuseaddr,fork SYSTEM:'sleep 60' 2>/dev/null &
pids+=($!)
conf hung "url = mqtt://127.0.0.1:$hung" "station_name = e2e-hung"
subscribe checks 'orbek/#'
started=()
for name in good wrong tls noca nokey open hung; do
    XDG_CONFIG_HOME="$work/config-$name" "$station" --simulate --base "$work/$name" \
        --record "$work/$name.scenario" >/dev/null 2>&1 &
    started+=($!)
    pids+=($!)
done
wait_for "$work/checks.sub" '^orbek/e2e-good/availability online' 20 || fail "password: not online"
wait_for "$work/checks.sub" '^orbek/e2e-tls/availability online' 20 || fail "TLS: not online"
wait_for "$work/good.scenario" "LIST Telemetry: warning: the password goes unencrypted" 10 ||
    fail "the password over mqtt:// was not told"
wait_for "$work/good.scenario" "LIST Telemetry: telemetry.conf line 5: unknown key 'colour'" 10 ||
    fail "the unknown key was not told"
wait_for "$work/wrong.scenario" 'LIST Telemetry: mqtt://127.0.0.1:[0-9]+: .*not authori[sz]ed' 20 ||
    fail "the wrong password was not told"
wait_for "$work/noca.scenario" "LIST Telemetry: ca_file $work/none.crt: no such file" 10 ||
    fail "the missing CA file was not told"
wait_for "$work/nokey.scenario" "LIST Telemetry: key_file $work: not a file" 10 ||
    fail "an unreadable key file was not told"
wait_for "$work/open.scenario" "LIST Telemetry: telemetry.conf holds a password but others may read it" 10 ||
    fail "a password others may read was used"
wait_for "$work/hung.scenario" 'LIST Telemetry: mqtt://127.0.0.1:[0-9]+: no answer from the broker' 30 ||
    fail "the hung broker was not told"
grep -q 'e2e-wrong\|e2e-noca\|e2e-nokey\|e2e-open\|e2e-hung' "$work/checks.sub" &&
    fail "an unconnected station published"
for p in "${started[@]}"; do
    kill -0 "$p" 2>/dev/null || fail "a station did not keep running"
    kill -TERM "$p"
done
for p in "${started[@]}"; do
    wait_gone "$p" 15 || fail "a station did not end on SIGTERM"
done
# A session recorded with telemetry replays without a network: its telemetry lines aside.
"$bin/orbek-replay" --check-recording "$work/good.scenario" >/dev/null 2>"$work/check.err" ||
    fail "the recording with telemetry does not check: $(cat "$work/check.err")"

[ "$failures" -eq 0 ] || exit 1
echo "telemetry through the broker: all checks passed"
