#!/usr/bin/env bash
# Receive, decode and count alone: olixtrap_receiveonly (the program's receiver service and
# decoder, nothing after the counters) pinned to core 0, olixtrap_trapsender on core 1
# sending captured SNMPv2c traps (linkDown, three bindings) at fixed rates over loopback.
# The sender's rate is printed beside each row: on two cores it is the sender, doing the
# loopback's work for both sides, that tops out first.
# Prints, per rate: datagrams sent, counted, dropped by the kernel, the receiver's CPU
# microseconds per datagram and its system calls per datagram.
#
#   bench/endtoend/receive_only.sh        # after tools/setup.sh has built build/
#   COUNT=2000000 RATES="500000 750000" bench/endtoend/receive_only.sh
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build}
COUNT=${COUNT:-1000000}
RATES=${RATES:-"100000 250000 500000 750000"}
PORT=${PORT:-41750}  # the receiver's port; the capture uses PORT + 1

source "$ROOT/bench/scratch.sh" receiveonly

for tool in "$BUILD/olixtrap_receiveonly" "$BUILD/olixtrap_trapsender"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (./test.sh)"; exit 1; }
done
for tool in snmptrap taskset perf; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run tools/setup.sh"; exit 1; }
done

"$BUILD/olixtrap_trapsender" capture $((PORT + 1)) 100 "$WORK/v2c.cap" >/dev/null &
capturer=$!
sleep 0.3
# Interface numbers of equal encoded length give datagrams of (nearly) equal size, which the
# sender hands to the kernel many at a time.
for i in $(seq 1000 1099); do
  MIBS= SNMP_PERSISTENT_DIR="$WORK/persist" snmptrap -v 2c -c public 127.0.0.1:$((PORT + 1)) "" \
    1.3.6.1.6.3.1.1.5.3 1.3.6.1.2.1.2.2.1.1.$i i $i 1.3.6.1.2.1.2.2.1.7.$i i 2 1.3.6.1.2.1.2.2.1.8.$i i 2
done
wait "$capturer"

source "$ROOT/bench/udp_port.sh"

printf '%8s %9s %9s %9s %15s %15s\n' rate sent counted drops 'cpu_us/datagram' 'sys/datagram'
for rate in $RATES; do
  OLIXTRAP_HOME=$WORK taskset -c 0 "$BUILD/olixtrap_receiveonly" "$PORT" >"$WORK/out-$rate" &
  RECEIVER_PID=$!
  for _ in $(seq 1 100); do port_held && break; sleep 0.1; done
  perf stat -e raw_syscalls:sys_enter -p "$RECEIVER_PID" -x, -o "$WORK/perf-$rate" >/dev/null 2>&1 &
  perf_pid=$!
  sleep 0.2
  taskset -c 1 "$BUILD/olixtrap_trapsender" send "$WORK/v2c.cap" "$PORT" "$COUNT" "$rate" >"$WORK/sent-$rate"
  sleep 0.5
  drops=$(kernel_drops)
  kill -INT "$perf_pid"; wait "$perf_pid" 2>/dev/null || true
  kill -INT "$RECEIVER_PID"; wait "$RECEIVER_PID" || true
  RECEIVER_PID=""
  counted=$(awk '{ print $2 }' "$WORK/out-$rate")
  cpu=$(awk '{ print $10 }' "$WORK/out-$rate")
  calls=$(awk -F, '/raw_syscalls:sys_enter/ { print $1 }' "$WORK/perf-$rate")
  achieved=$(awk '{ print $7 }' "$WORK/sent-$rate")
  per=$(awk -v c="$calls" -v n="$counted" 'BEGIN { if (n > 0) printf "%.3f", c / n; else print "-" }')
  printf '%8s %9s %9s %9s %15s %15s   (sender: %s)\n' "$rate" "$COUNT" "$counted" "$drops" "$cpu" "$per" "$achieved"
done
"$ROOT/bench/processor.sh"
