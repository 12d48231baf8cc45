#!/usr/bin/env bash
# Inform benchmark: informs answered per second, SNMPv2c and SNMPv3 authPriv (HMAC-SHA-256,
# CFB-AES-128), sent by olixtrap_informsender with 64 unanswered at most, to the program (on
# Qt's offscreen platform, logging every trap) and to net-snmp's snmptrapd (logging to a file,
# its SNMPv3 user created with its own engine), side by side in one run on loopback.
#
#   bench/informs/run.sh                  # after tools/setup.sh has built build/
#   COUNT=5000 bench/informs/run.sh
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build}
COUNT=${COUNT:-20000}
PORT=${PORT:-41800}
SENDER=$BUILD/olixtrap_informsender
PROGRAM=${PROGRAM:-$BUILD/olixtrap}
USER_ARGS=(benchuser sha256authpass sha256privpass)
# The receiver on one core, the sender on the other, where there are two.
ON_RECEIVER_CPU=(taskset -c 0)
ON_SENDER_CPU=(taskset -c 1)
[ "$(nproc)" -ge 2 ] || { ON_RECEIVER_CPU=(); ON_SENDER_CPU=(); }

source "$ROOT/bench/scratch.sh" informs

measure() {
  local name=$1
  for version in v2c v3; do
    local args=(run "$version" "$PORT" "$COUNT")
    [ "$version" = v3 ] && args+=("${USER_ARGS[@]}")
    printf '%-10s %-4s ' "$name" "$version"
    "${ON_SENDER_CPU[@]}" "$SENDER" "${args[@]}"
  done
}

stop_receiver() {
  kill "$RECEIVER_PID"
  wait "$RECEIVER_PID" 2>/dev/null || true
  RECEIVER_PID=""
}

# The program: its own folder, every trap logged, the user without an engine ID.
mkdir -p "$WORK/olixtrap"
printf '[INIT]\r\nTRECV=0\r\nRECVP=%s\r\nHOST=0\r\nLOG=1\r\nLOGDELM=0\r\n' "$PORT" >"$WORK/olixtrap/OlixTrap.ini"
OLIXTRAP_HOME="$WORK/olixtrap" "$SENDER" adduser "${USER_ARGS[@]}"
OLIXTRAP_HOME="$WORK/olixtrap" QT_QPA_PLATFORM=offscreen "${ON_RECEIVER_CPU[@]}" "$PROGRAM" \
  >"$WORK/olixtrap.out" 2>&1 &
RECEIVER_PID=$!
sleep 6  # the receiver starts on the list view's fourth second
measure olixtrap
stop_receiver

# snmptrapd with the same user, localized with its own engine ID.
cat >"$WORK/snmptrapd.conf" <<CONF
authCommunity log public
createUser ${USER_ARGS[0]} SHA-256 ${USER_ARGS[1]} AES ${USER_ARGS[2]}
authUser log ${USER_ARGS[0]} priv
CONF
MIBS= SNMP_PERSISTENT_DIR="$WORK/snmptrapd-persist" "${ON_RECEIVER_CPU[@]}" snmptrapd -f -C \
  -c "$WORK/snmptrapd.conf" -Lf "$WORK/snmptrapd.log" "udp:127.0.0.1:$PORT" &
RECEIVER_PID=$!
sleep 2
measure snmptrapd
stop_receiver
"$ROOT/bench/processor.sh"
