# SPDX-License-Identifier: GPL-3.0-or-later
# Shared parts of the measurement scripts in bench/, sourced by them: a private X server and a
# private sound server, the stamping of a window's first map, the figures of a running process,
# driving tessivo's dialog, and the description of the machine. A script sets bench_name, calls
# bench_init, and may define bench_on_exit to stop the processes it started itself; everything
# started here is stopped here, by PID, when the script exits.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_work=""
bench_xvfb_pid=""
bench_bus_pid=""
bench_xev_pid=""
bench_reader_pid=""

bench_fail() {
  echo "$bench_name: $*" >&2
  exit 1
}

# Stops one process by PID and reaps it; an empty PID is nothing to stop.
bench_stop_pid() {
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}

bench_cleanup() {
  if declare -F bench_on_exit >/dev/null; then
    bench_on_exit
  fi
  bench_stop_pid "$bench_xev_pid"
  bench_stop_pid "$bench_reader_pid"
  if [ -n "$bench_work" ]; then
    "$bench_root/scripts/pulse-test-server" stop "$bench_work/pa" || true
  fi
  bench_stop_pid "$bench_bus_pid"
  bench_stop_pid "$bench_xvfb_pid"
  [ -z "$bench_work" ] || rm -rf "$bench_work"
}

# Makes the work folder, starts a private X server (DISPLAY) and a private sound server with a
# null sink (PULSE_SERVER), and arranges for all of it to go when the script exits.
bench_init() {
  bench_work=$(mktemp -d "/tmp/tsv-$bench_name.XXXXXX")
  trap bench_cleanup EXIT
  # Xvfb picks a free display itself and reports it, so that two runs never share one.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$bench_work/display" \
    >"$bench_work/xvfb.log" 2>&1 &
  bench_xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$bench_work/display" ] && break
    sleep 0.05
  done
  [ -s "$bench_work/display" ] || bench_fail "Xvfb did not come up: $(cat "$bench_work/xvfb.log")"
  export DISPLAY=":$(head -1 "$bench_work/display")"
  # A desktop session has a session bus; without one Qt spends tens of milliseconds at start-up
  # trying to launch it, which no user would see.
  dbus-daemon --session --nofork --nopidfile --print-address=4 4>"$bench_work/bus" \
    >"$bench_work/bus.log" 2>&1 &
  bench_bus_pid=$!
  for _ in $(seq 100); do
    [ -s "$bench_work/bus" ] && break
    sleep 0.05
  done
  [ -s "$bench_work/bus" ] || bench_fail "no session bus: $(cat "$bench_work/bus.log")"
  export DBUS_SESSION_BUS_ADDRESS="$(head -1 "$bench_work/bus")"
  eval "export $("$bench_root/scripts/pulse-test-server" start "$bench_work/pa" | grep "^PULSE_SERVER=")"
  export QT_QPA_PLATFORM=xcb
  mkdir -m 700 "$bench_work/xdg"
  export XDG_RUNTIME_DIR="$bench_work/xdg"
}

# Seconds since the epoch with microseconds, without starting a process.
bench_now_us() {
  local t=$EPOCHREALTIME
  echo "${t/./}"
}

# Every window mapped on the root window, stamped the moment xev reports it: no polling interval
# limits the resolution. xev writes into a pipe that a reader drains, each known by its PID.
bench_start_watch() {
  : >"$bench_work/maps"
  rm -f "$bench_work/xev.fifo"
  mkfifo "$bench_work/xev.fifo"
  xev -root -event substructure >"$bench_work/xev.fifo" &
  bench_xev_pid=$!
  local line t detail
  while IFS= read -r line; do
    if [[ $line == MapNotify* ]]; then
      t=$EPOCHREALTIME
      read -r detail
      echo "${t/./} $detail" >>"$bench_work/maps"
    fi
  done <"$bench_work/xev.fifo" &
  bench_reader_pid=$!
  # xev selects its events once it has connected; a launch before that would go unseen.
  sleep 0.3
}

bench_stop_watch() {
  bench_stop_pid "$bench_xev_pid"
  bench_xev_pid=""
  wait "$bench_reader_pid" 2>/dev/null || true
  bench_reader_pid=""
}

# Launches a program (the remaining arguments) and waits, at most 10 s, for its first window to
# be mapped and for a visible window named NAME; sets bench_app_pid and bench_elapsed_us, the
# time from launch to the first map in microseconds, and bench_window.
#   bench_launch NAME LOG PROGRAM [ARGUMENT...]
bench_launch() {
  local name=$1 log=$2 t0 t1=""
  shift 2
  bench_start_watch
  t0=$(bench_now_us)
  "$@" >>"$log" 2>&1 &
  bench_app_pid=$!
  for _ in $(seq 2000); do
    if [ -s "$bench_work/maps" ]; then
      t1=$(head -1 "$bench_work/maps" | cut -d' ' -f1)
      break
    fi
    sleep 0.005
  done
  bench_stop_watch
  [ -n "$t1" ] || bench_fail "no window of $1 was mapped within 10 s; its output: $(cat "$log")"
  bench_window=$(timeout 5 xdotool search --sync --onlyvisible --name "$name" | head -1) ||
    bench_fail "the window mapped by $1 is not named $name"
  bench_elapsed_us=$((t1 - t0))
}

# The median of the numbers on standard input.
bench_median() {
  python3 -c 'import statistics, sys; print(statistics.median(float(x) for x in sys.stdin.read().split()))'
}

# Figures of a process: resident memory in kB; CPU ticks (utime + stime, whole process); run
# time in ns and context switches summed over all its threads, since a wake-up on any thread
# counts.
bench_rss_kb() {
  awk '/^VmRSS/ { print $2 }' "/proc/$1/status"
}
bench_cpu_ticks() {
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}
bench_run_ns() {
  cat /proc/"$1"/task/*/schedstat | awk '{ n += $1 } END { print n }'
}
bench_switches() {
  cat /proc/"$1"/task/*/status | awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n }'
}

# Moves the pointer to a point of a window given as fractions of its width and height, then does
# the given xdotool actions there. tessivo's dialog template fixes its layout, and the window's
# size follows from it, so fractions stay valid at any scale.
#   bench_point_at WINDOW X-FRACTION Y-FRACTION [ACTION...]
bench_point_at() {
  local window=$1 fx=$2 fy=$3 width height
  shift 3
  read -r width height < <(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
  xdotool mousemove --window "$window" "$(awk -v f="$fx" -v n="$width" 'BEGIN { printf "%d", f * n }')" \
    "$(awk -v f="$fy" -v n="$height" 'BEGIN { printf "%d", f * n }')" "$@"
}

# Where tessivo's controls lie, as fractions of its window's size.
tessivo_function_list=(0.67 0.17)
tessivo_text_field=(0.48 0.49)
tessivo_start_button=(0.74 0.72)

# Types TEXT into tessivo's text field and leaves the pointer on Start, ready to click.
tessivo_prepare_text() {
  local window=$1 text=$2
  # The device list has the focus at first; a typed space would open it, so the text field is
  # clicked first.
  bench_point_at "$window" "${tessivo_text_field[@]}" click 1 key ctrl+a
  xdotool type --delay 5 "$text"
  bench_point_at "$window" "${tessivo_start_button[@]}"
}

# The machine the figures were taken on.
bench_machine() {
  echo "machine: $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo), $(nproc) cores," \
    "kernel $(uname -r)," \
    "Debian $(cat /etc/debian_version), load average $(cut -d' ' -f1-3 /proc/loadavg)"
}
