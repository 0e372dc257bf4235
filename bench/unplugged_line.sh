#!/usr/bin/env bash
# quon-server when the adapter goes away: the virtual line (115200 baud) vanishes in the middle of
# a 256 KiB get and comes back ten seconds later. Prints how long the server took to notice and to
# serve again, and its CPU share of one core while the line was there and idle, and while it was
# away. (lrzsz has nothing to compare: its programs end with the line and never reopen it.)
#
#   bench/unplugged_line.sh [BUILD_DIR]     (default build/default; takes about half a minute)
# The LOG_ texts come from the build's log_lines.sh.
# shellcheck disable=SC2154
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
# shellcheck source=/dev/null
source "$build/log_lines.sh"
# shellcheck source=bench/line_setup.sh
source bench/line_setup.sh
server=$quon_server
calc=$quon_calc
require "$nullmodem" "$server" "$calc"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$server_pid/stat"; }
# Seconds until the server's output holds the text.
seconds_until() {  # since text
  until grep -qF -- "$2" "$work/server.out"; do sleep 0.01; done
  awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'
}
# CPU share of one core over a number of seconds.
cpu_share() {  # seconds
  local t0 t1
  t0=$(cpu_ticks); sleep "$1"; t1=$(cpu_ticks)
  awk -v t="$((t1 - t0))" -v s="$1" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.2f%%", 100 * t / hz / s }'
}

head -c 262144 /dev/urandom >"$work/big.obj"
head -c 4096 /dev/urandom >"$work/small.obj"
printf '[serial]\ndevice1=%s\nbaud=115200\nprotocol=Xmodem1K-ZKCRC\n' "$work/A" >"$work/quon.ini"
start_line 115200
(cd "$work" && exec "$server" >"$work/server.out" 2>&1) &
server_pid=$!
"$calc" download-mode "$work/B" >/dev/null
echo "idle, line there:         $(cpu_share 5) of a core"

"$calc" get "$work/B" big.obj >/dev/null 2>&1 &
calc_pid=$!
# shellcheck disable=SC2059  # the log line is a format
until grep -qF "$(printf "$LOG_SendingBlock" 20)" "$work/server.out"; do sleep 0.01; done
unplugged=$(now)
stop_line
echo "lost noticed after:       $(seconds_until "$unplugged" "$LOG_StatusPrefix$LOG_SerialPortLost") s"
wait "$calc_pid" || true
echo "line away:                $(cpu_share 10) of a core"

start_line 115200
back=$(now)
echo "back and serving after:   $(seconds_until "$back" "$LOG_SerialPortBack") s (looked for once a second)"
"$calc" download-mode "$work/B" >/dev/null
"$calc" get "$work/B" small.obj --expect "$work/small.obj" | sed 's/^/served again: /'
