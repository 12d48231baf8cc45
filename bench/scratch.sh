# A benchmark's scratch folder and the end of what it started (source it with a name:
# `source bench/scratch.sh informs`). WORK is made now; at exit, however the script ends,
# the process in RECEIVER_PID and those the script's own stop_others stops (when it defines
# one) are stopped and waited for, and WORK is removed.

WORK=$(mktemp -d "/tmp/olixtrap-$1.XXXXXX")
RECEIVER_PID=""

# Stops a started process, if there is one, with the signal given (TERM by default).
stop_started() { [ -n "$1" ] && kill "-${2:-TERM}" "$1" 2>/dev/null && wait "$1" 2>/dev/null; }

# Runs to its end whatever fails on the way (a killed process's status included).
cleanup() {
  set +e
  stop_started "$RECEIVER_PID"
  declare -F stop_others >/dev/null && stop_others
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
