#!/usr/bin/env bash
# End-to-end reception benchmark: 50,000 captured traps a run, sent at fixed rates over
# loopback by olixtrap_trapsender (pinned to one core) to a receiver pinned to the other:
# the program on Qt's offscreen platform, the program under Xvfb with its main window
# shown, and net-snmp's snmptrapd as the peer, side by side in one run. Prints, per rate:
# traps logged, the change in the list's rows and the rows it holds, kernel drops, CPU
# microseconds per trap logged, the receiver's resident memory and the system calls per
# trap logged of its receiving thread.
#
#   bench/endtoend/run.sh                 # after tools/setup.sh has built build/
#   COUNT=20000 V2C_RATES="10000 50000" RECEIVERS="offscreen snmptrapd" bench/endtoend/run.sh
#   # a storm through a full list: six rounds of 50,000 traps into one program
#   MAXROWS=100000 COUNT=50000 V2C_RATES="$(printf '25000 %.0s' 1 2 3 4 5 6)" VERSIONS=v2c \
#     RECEIVERS=offscreen bench/endtoend/run.sh
#
# The receiver "forward" is the program offscreen forwarding every trap to a local rsyslogd
# over TCP syslog and to a JSON file; after its row a line gives what rsyslogd and the file
# received and rsyslogd's own CPU microseconds per trap (rsyslogd runs on the sender's core):
#   COUNT=50000 V2C_RATES=50000 VERSIONS=v2c RECEIVERS="offscreen forward" bench/endtoend/run.sh
#
# The list's row count is what the program writes to its standard error on SIGUSR1
# ("olixtrap: rows=N"); a program that does not answer fails the run.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${BUILD:-$ROOT/build}
COUNT=${COUNT:-50000}
V2C_RATES=${V2C_RATES:-"2000 5000 10000 25000 50000 75000 100000"}
V3_RATES=${V3_RATES:-"2000 5000 10000 25000 50000 75000 100000"}
RECEIVERS=${RECEIVERS:-"offscreen xvfb snmptrapd"}
VERSIONS=${VERSIONS:-"v2c v3"}
PORT=${PORT:-41700}          # the receivers' port; the capture uses PORT + 1
XDISPLAY=${XDISPLAY:-:41}
RECEIVER_CPU=0
SENDER_CPU=1
# taskset starts the program in its own place, so a receiver's process id is the receiver's.
ON_RECEIVER_CPU=(taskset -c "$RECEIVER_CPU")
ON_SENDER_CPU=(taskset -c "$SENDER_CPU")
ENGINE_ID=8000000001020304
SENDER=$BUILD/olixtrap_trapsender
PROGRAM=${PROGRAM:-$BUILD/olixtrap}

source "$ROOT/bench/scratch.sh" endtoend
XVFB_PID=""
RSYSLOG_PID=""
PERF_PID=""
stop_others() {
  stop_started "$XVFB_PID"
  stop_started "$RSYSLOG_PID"
  stop_started "$PERF_PID" INT
}

snmp() { MIBS= SNMP_PERSISTENT_DIR="$WORK/snmp-persist" "$@"; }

# 100 traps of each version as snmptrap sends them: linkDown with three bindings. The
# SNMPv3 ones share one engine boots and time (-Z), so that snmptrapd, which keeps the
# sender's latest time, takes each of them as fresh when they are sent again in turn.
capture() {
  local version=$1 file=$2
  "$SENDER" capture $((PORT + 1)) 100 "$file" >/dev/null &
  local capturer=$!
  sleep 0.3
  for i in $(seq 1 100); do
    local bindings=(1.3.6.1.2.1.2.2.1.1.$i i $i 1.3.6.1.2.1.2.2.1.7.$i i 2 1.3.6.1.2.1.2.2.1.8.$i i 2)
    if [ "$version" = v2c ]; then
      snmp snmptrap -v 2c -c public 127.0.0.1:$((PORT + 1)) "" 1.3.6.1.6.3.1.1.5.3 "${bindings[@]}"
    else
      snmp snmptrap -v 3 -e 0x$ENGINE_ID -Z 1,1000 -u alice -l authPriv -a MD5 -A authpass1 -x DES -X privpass1 \
        127.0.0.1:$((PORT + 1)) "" 1.3.6.1.6.3.1.1.5.3 "${bindings[@]}"
    fi
  done
  wait "$capturer"
}

source "$ROOT/bench/udp_port.sh"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/${1:-$RECEIVER_PID}/stat"; }

lines_in() { [ -f "$1" ] && wc -l <"$1" || echo 0; }

# Waits until the log has not grown for a second (at most 60 s).
wait_settled() {
  local log=$1 last=-1 now
  for _ in $(seq 1 60); do
    now=$(lines_in "$log")
    [ "$now" = "$last" ] && return
    last=$now
    sleep 1
  done
}

# Asks the program for its rows and waits (at most 10 s) for the line it adds to its output.
list_rows() {
  local receiver=$1 home=$2
  [ "$receiver" = snmptrapd ] && { echo "-"; return; }
  local report='^olixtrap: rows=[0-9]+$' before rows
  before=$(awk -v r="$report" '$0 ~ r { n++ } END { print n + 0 }' "$home/stdout")
  kill -USR1 "$RECEIVER_PID"
  for _ in $(seq 1 100); do
    rows=$(awk -v r="$report" -v n=$((before + 1)) '$0 ~ r && ++seen == n { sub(/.*=/, ""); print; exit }' \
      "$home/stdout")
    [ -n "$rows" ] && { echo "$rows"; return; }
    sleep 0.1
  done
  echo "$receiver did not report its rows within 10 s" >&2
  return 1
}

resident_mib() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$RECEIVER_PID/status"; }

start_program() {
  local home=$1 platform=$2
  cat >"$home/OlixTrap.ini" <<EOF
[INIT]
TRECV=0
RECVP=$PORT
HOST=0
LOG=1
T1MSG=Com = %C / ePrise = %E / GID = %G / SID = %S / TickTime = %T / VarBindings = %B
T2MSG=Com = %C / VarBindings = %B
T3MSG=User = %u / eBoots = %b / eTime = %t / VarBindings = %B
LOGDELM=0
EOF
  if [ -n "${MAXROWS:-}" ]; then echo "MAXROWS=$MAXROWS" >>"$home/OlixTrap.ini"; fi
  if [ "$platform" = forward ]; then
    printf '[FORWARD]\nKIND1=syslog-tcp\nHOST1=127.0.0.1\nPORT1=%s\nKIND2=json\nPATH2=traps.json\n' \
      $((PORT + 2)) >>"$home/OlixTrap.ini"
  fi
  OLIXTRAP_HOME=$home "$SENDER" adduser alice authpass1 privpass1 $ENGINE_ID
  if [ "$platform" = xvfb ]; then
    OLIXTRAP_HOME=$home DISPLAY=$XDISPLAY QT_QPA_PLATFORM=xcb "${ON_RECEIVER_CPU[@]}" "$PROGRAM" \
      >"$home/stdout" 2>&1 &
  else
    OLIXTRAP_HOME=$home QT_QPA_PLATFORM=offscreen "${ON_RECEIVER_CPU[@]}" "$PROGRAM" >"$home/stdout" 2>&1 &
  fi
  RECEIVER_PID=$!
}

start_snmptrapd() {
  local home=$1
  cat >"$home/snmptrapd.conf" <<EOF
disableAuthorization yes
createUser -e 0x$ENGINE_ID alice MD5 authpass1 DES privpass1
EOF
  MIBS= SNMP_PERSISTENT_DIR="$home/persist" "${ON_RECEIVER_CPU[@]}" snmptrapd -f -n -C -c "$home/snmptrapd.conf" \
    -Lf "$home/log/log.log" -F '%y/%m/%l %h:%j:%k %b %v\n' udp:127.0.0.1:$PORT >"$home/stdout" 2>&1 &
  RECEIVER_PID=$!
}

# rsyslogd on the sender's core, TCP syslog on PORT + 2, every message a line of its file.
start_rsyslogd() {
  local home=$1
  mkdir -p "$home/rsyslog"
  cat >"$home/rsyslog/rsyslog.conf" <<EOF
global(workDirectory="$home/rsyslog")
module(load="imtcp")
input(type="imtcp" address="127.0.0.1" port="$((PORT + 2))")
template(name="t" type="string" string="%structured-data% %msg%\n")
action(type="omfile" file="$home/rsyslog/out.log" template="t")
EOF
  "${ON_SENDER_CPU[@]}" rsyslogd -n -f "$home/rsyslog/rsyslog.conf" -i "$home/rsyslog/pid" >"$home/rsyslog/stdout" 2>&1 &
  RSYSLOG_PID=$!
  sleep 1
}

# The system calls of the receiving thread (the program's "olixtrap-recv", snmptrapd's only
# one), counted by perf from before the send until the log has settled.
start_syscall_count() {
  local thread=$RECEIVER_PID
  for task in /proc/"$RECEIVER_PID"/task/*; do
    [ "$(cat "$task/comm")" = olixtrap-recv ] && thread=${task##*/}
  done
  perf stat -e raw_syscalls:sys_enter -t "$thread" -x, -o "$1" >/dev/null 2>&1 &
  PERF_PID=$!
  sleep 0.2
}

stop_syscall_count() {
  kill -INT "$PERF_PID" 2>/dev/null || true
  wait "$PERF_PID" 2>/dev/null || true
  PERF_PID=""
}

stop_receiver() {
  kill "$RECEIVER_PID" 2>/dev/null || true
  wait "$RECEIVER_PID" 2>/dev/null || true
  RECEIVER_PID=""
}

for tool in "$SENDER" "$PROGRAM"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (source tools/setup.sh && configure_and_build build)"; exit 1; }
done
for tool in snmptrap snmptrapd taskset Xvfb rsyslogd perf; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run tools/setup.sh"; exit 1; }
done

mkdir -p "$WORK/snmp-persist"
for version in $VERSIONS; do capture "$version" "$WORK/$version.cap"; done
if [[ " $RECEIVERS " == *" xvfb "* ]]; then
  Xvfb "$XDISPLAY" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
  XVFB_PID=$!
  sleep 1
fi

printf '%-4s %-10s %8s %8s %8s %8s %8s %8s %10s %8s %8s\n' version receiver rate sent logged rows in_list drops \
  'cpu_us/trap' rss_MiB sys/trap
for version in $VERSIONS; do
  rates=$V2C_RATES
  [ "$version" = v3 ] && rates=$V3_RATES
  for receiver in $RECEIVERS; do
    home=$WORK/$version-$receiver
    mkdir -p "$home/log"
    [ "$receiver" = forward ] && start_rsyslogd "$home"
    if [ "$receiver" = snmptrapd ]; then start_snmptrapd "$home"; else start_program "$home" "$receiver"; fi
    for _ in $(seq 1 200); do port_held && break; sleep 0.1; done
    port_held || { echo "$receiver did not open port $PORT"; stop_receiver; continue; }
    sleep 1
    for rate in $rates; do
      logged_before=$(lines_in "$home/log/log.log")
      rows_before=$(list_rows "$receiver" "$home")
      drops_before=$(kernel_drops)
      ticks_before=$(cpu_ticks)
      if [ "$receiver" = forward ]; then
        forwarded_before=$(lines_in "$home/rsyslog/out.log")
        json_before=$(lines_in "$home/traps.json")
        rsyslog_ticks_before=$(cpu_ticks "$RSYSLOG_PID")
      fi
      start_syscall_count "$home/syscalls-$rate"
      "${ON_SENDER_CPU[@]}" "$SENDER" send "$WORK/$version.cap" "$PORT" "$COUNT" "$rate" >"$home/sent-$rate"
      wait_settled "$home/log/log.log"
      sleep 0.5  # one more tick of the list
      stop_syscall_count
      syscalls=$(awk -F, '/raw_syscalls:sys_enter/ { print $1 }' "$home/syscalls-$rate")
      ticks_after=$(cpu_ticks)
      logged=$(($(lines_in "$home/log/log.log") - logged_before))
      in_list=$(list_rows "$receiver" "$home")
      rows=$in_list
      if [ "$receiver" != snmptrapd ]; then rows=$((rows - rows_before)); fi
      drops=$(($(kernel_drops) - drops_before))
      cpu=$(awk -v t=$((ticks_after - ticks_before)) -v hz="$(getconf CLK_TCK)" -v n="$logged" \
        'BEGIN { if (n > 0) printf "%.1f", t * 1e6 / hz / n; else print "-" }')
      per_trap=$(awk -v c="$syscalls" -v n="$logged" 'BEGIN { if (n > 0 && c != "") printf "%.2f", c / n; else print "-" }')
      printf '%-4s %-10s %8s %8s %8s %8s %8s %8s %10s %8s %8s\n' "$version" "$receiver" "$rate" "$COUNT" "$logged" \
        "$rows" "$in_list" "$drops" "$cpu" "$(resident_mib)" "$per_trap"
      if [ "$receiver" = forward ]; then
        wait_settled "$home/rsyslog/out.log"
        forwarded=$(($(lines_in "$home/rsyslog/out.log") - forwarded_before))
        rsyslog_cpu=$(awk -v t=$(($(cpu_ticks "$RSYSLOG_PID") - rsyslog_ticks_before)) -v hz="$(getconf CLK_TCK)" \
          -v n="$forwarded" 'BEGIN { if (n > 0) printf "%.1f", t * 1e6 / hz / n; else print "-" }')
        printf '     forwarded: rsyslogd received %s, json lines %s, rsyslogd cpu_us/trap %s\n' "$forwarded" \
          $(($(lines_in "$home/traps.json") - json_before)) "$rsyslog_cpu"
      fi
    done
    stop_receiver
    if [ -n "$RSYSLOG_PID" ]; then kill "$RSYSLOG_PID"; wait "$RSYSLOG_PID" 2>/dev/null || true; RSYSLOG_PID=""; fi
  done
done
"$ROOT/bench/processor.sh"
