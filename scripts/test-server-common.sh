# SPDX-License-Identifier: GPL-3.0-or-later
# What the private sound servers for tests share: stopping their processes by PID, and telling
# at what priority they run. Sourced by pulse-test-server and pipewire-test-server.

# Whether a process runs. The servers outlive the start command, so their parent is whatever
# adopts orphans, which may be slow to reap them: a zombie counts as gone.
alive() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
  [[ $state != Z* ]]
}

# Stops the process whose PID is in the given file with the given signal, and for good if it
# has not gone after five seconds.
stop_pid_file() {
  local file=$1 signal=$2 pid
  [ -f "$file" ] || return 0
  pid=$(cat "$file")
  if alive "$pid"; then
    kill "-$signal" "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      alive "$pid" || break
      sleep 0.1
    done
    alive "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  rm -f "$file"
}

# Tells, for each PID given, the priority its threads got: a desktop runs its sound server
# real-time or at a raised nice level, and a busy test machine needs it just as much. Where the
# user may not raise it, the server runs at normal priority and this says so. The playback
# benchmark asks for normal priority with TESSIVO_SERVER_PRIORITY=normal.
report_priority() {
  local pid threads
  for pid in "$@"; do
    threads=$(ps -L -o cls=,ni= -p "$pid" 2>/dev/null | sort -u | tr -s ' \n' ' ')
    if grep -qE 'RR|FF' <<<"$threads"; then
      echo "$(ps -o comm= -p "$pid"): real-time (threads: $threads)"
    elif grep -qE -- '-[0-9]+' <<<"$threads"; then
      echo "$(ps -o comm= -p "$pid"): raised nice level (threads: $threads)"
    elif [ "${TESSIVO_SERVER_PRIORITY:-raised}" = normal ]; then
      echo "$(ps -o comm= -p "$pid"): normal priority, as asked (threads: $threads)"
    else
      echo "$(ps -o comm= -p "$pid"): normal priority, not permitted to raise it" \
        "(threads: $threads); timing tests may suffer on a busy machine"
    fi
  done
}
